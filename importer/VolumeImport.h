#pragma once

#include "ImportProgress.h"
#include "RawReader.h"
#include "ValueMapping.h"
#include "VolumeDescription.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The one way into the viewer's sample range for everything but .dat: DICOM (a file, a
// series' folder, or one file of a series), NIfTI, NRRD, MetaImage, InVesalius projects and
// headerless data. Reading runs through ITK's image I/O (libarchive for InVesalius); the
// values are then mapped to 0..maxSample. Safe to call from a worker thread: it prints
// nothing and touches no GUI; it reports progress and stops when asked through `progress`.

// How to read and map the values; the defaults fit the data.
struct ImportOptions
{
    // Unset: the default that fits the data (see defaultMappingKind).
    std::optional<MappingKind> mapping;
    // Set: this source range spans 0..maxSample, whatever `mapping` says.
    std::optional<std::pair<double, double>> window;
    // Set for headerless input, which the name alone cannot describe.
    std::optional<RawLayout> raw;
    // Where the mapped samples go, given their count; unset: memory of the result's own.
    // The reader process hands out a file that the viewer maps.
    std::function<SampleBuffer(size_t count)> sampleStore;
    // What the caller can hold; a declared grid beyond it is refused before any sample is read.
    GridLimits limits;
};

// A volume read, or the reason why not. The description is empty on a refusal.
struct ImportResult : VolumeDescription
{
    // Empty when the volume was read; else one line naming the path and the reason.
    std::string refusal;
    // The refusal came from ImportProgress::cancel().
    bool cancelled = false;

    // The stored values before mapping: their type ("int16"), the range of the finite
    // ones, and the mapping applied (described in mappingDescription as well).
    std::string sampleType;
    double lowestValue = 0.0;
    double highestValue = 0.0;
    ValueMapping mapping;

    bool ok() const { return refusal.empty(); }
};

// The linear mapping spreads the values between these fractions of the sorted values.
constexpr double robustLowFraction = 0.005;
constexpr double robustHighFraction = 0.995;

// The stored values and their mapping in a few words, for the line that reports an open:
// "int16 values -1024..3033, mapping hu (value + 1024)".
std::string valuesDescription(const ImportResult &result);

// Reads the volume at `path`, a file or a DICOM folder, told apart by its name: .dcm (or
// any file GDCM takes for DICOM), .nii, .nii.gz, .hdr, .img, .nrrd, .nhdr, .mha, .mhd,
// .inv3. Never throws; a refusal leaves everything as it was.
ImportResult importVolume(const std::string &path, const ImportOptions &options = ImportOptions(),
                          const ImportProgress &progress = ImportProgress());

