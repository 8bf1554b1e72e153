#pragma once

#include "SampleType.h"
#include "ValueMapping.h"
#include "ValueStats.h"
#include "VolumeSource.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Headerless input: what the command line says about the file.
struct RawLayout
{
    uint64_t sizes[3] = {0, 0, 0};
    SampleType type = SampleType::UInt16;
    bool bigEndian = false;
    int64_t offset = 0;
};

// One conversion as the user asked for it.
struct ImportRequest
{
    QString input;
    QString output;
    // Set for headerless input; otherwise the input's name says its format.
    std::optional<RawLayout> raw;
    // Unset: the default that fits the data.
    std::optional<MappingKind> mapping;
    // Set: this source range spans 0..4095, whatever `mapping` says.
    std::optional<std::pair<double, double>> window;
};

struct ImportResult
{
    VolumeSource source;
    ValueStats stats;
    ValueMapping mapping;
};

// Inputs with more sample bytes than this report their reading progress.
constexpr uint64_t progressThresholdBytes = 32u << 20;

// The linear mapping spreads the values between these fractions of the sorted values.
constexpr double robustLowFraction = 0.005;
constexpr double robustHighFraction = 0.995;

// Reads the input's header (or takes the raw layout) by the input's name: .nii, .nii.gz,
// .nrrd, .nhdr, .mha, .mhd, .inv3.
VolumeSource readVolumeSource(const ImportRequest &request);

// Reads, maps and writes the whole volume; `progress` hears percentages for large inputs.
// Refuses with an ImportError, leaving no output file behind.
ImportResult importVolume(const ImportRequest &request, const std::function<void(int)> &progress = {});

// The line the tool prints after a conversion.
QString summaryLine(const ImportRequest &request, const ImportResult &result);
