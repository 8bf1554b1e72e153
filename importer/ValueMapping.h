#pragma once

#include "SampleType.h"
#include "ValueStats.h"

#include <QString>

#include <cstdint>

// How source values become the viewer's 12-bit samples: every mapping is
// clip(round(scale * value + offset), 0, 4095), with NaN taken as 0; the kinds differ in
// how they choose scale and offset.
enum class MappingKind {
    Hounsfield, // CT in Hounsfield units: value + 1024, so air is 0 and water 1024
    Times16,    // 8-bit data spread over 12 bits: value * 16 (signed data first moved to 0..255)
    Keep,       // already 12-bit: kept as is
    Linear,     // a robust range of the data stretched over 0..4095
    Window,     // a range the user names stretched over 0..4095
};

struct ValueMapping
{
    MappingKind kind = MappingKind::Keep;
    double scale = 1.0;
    double offset = 0.0;
    // The source range that spans 0..4095 (Linear and Window).
    double low = 0.0;
    double high = 4095.0;

    uint16_t map(double value) const;
    // One phrase for the tool's summary line: "hu (value + 1024)", "window -160..240".
    QString description() const;
};

constexpr uint16_t maxSampleValue = 4095;

ValueMapping hounsfieldMapping();
ValueMapping times16Mapping(SampleType type);
ValueMapping keepMapping();
// low..high onto 0..4095; an empty range maps everything to 0.
ValueMapping rangeMapping(MappingKind kind, double low, double high);

// The names the command line uses: "hu", "x16", "keep", "linear".
bool parseMappingKind(const QString &name, MappingKind *kind);

// The mapping that fits the data when the user names none, first rule that applies:
// unscaled 8-bit integers: Times16; values that look like CT in Hounsfield units (the
// lowest between -3100 and -500, air and padding, and the highest at least 0, water):
// Hounsfield; whole numbers within 0..4095: Keep; anything else: Linear.
MappingKind defaultMappingKind(const ValueStats &stats, SampleType type, bool scaled);
