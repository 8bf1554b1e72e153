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

    friend bool operator==(const ValueMapping &a, const ValueMapping &b)
    {
        return a.kind == b.kind && a.scale == b.scale && a.offset == b.offset && a.low == b.low && a.high == b.high;
    }
};

constexpr uint16_t maxSampleValue = 4095;

ValueMapping hounsfieldMapping();
ValueMapping times16Mapping(SampleType type);
ValueMapping keepMapping();
// low..high onto 0..4095. An empty range (a volume of one value) moves its value to the
// middle, 2048, where the default transfer function shows it, keeping the scale of 1.
ValueMapping rangeMapping(MappingKind kind, double low, double high);

// The names the command line uses: "hu", "x16", "keep", "linear".
bool parseMappingKind(const QString &name, MappingKind *kind);

// What the default mapping goes by besides the range of the values.
struct MappingEvidence
{
    // The modality the source names ("CT", "MR"); empty where its format has no such field.
    QString modality;
    // The share of the values between -1024 and 3071, the span of Hounsfield units, counting
    // the padding that scanners write below -1024 (the lowest value) as inside.
    double hounsfieldShare = 1.0;
};

// The share of hounsfieldShare that still counts as "nearly all".
constexpr double hounsfieldShareNeeded = 0.98;

// The mapping that fits the data when the user names none, first rule that applies:
// one value only: Linear, which puts it in the middle; unscaled 8-bit integers: Times16; a source that says CT: Hounsfield; a source that
// names no modality and values that look like CT in Hounsfield units (the lowest between
// -3100 and -500, air and padding, the highest at least 0, water, and nearly all within
// -1024..3071): Hounsfield; whole numbers within 0..4095: Keep; anything else: Linear.
MappingKind defaultMappingKind(const ValueStats &stats, SampleType type, bool scaled,
                               const MappingEvidence &evidence = MappingEvidence());
