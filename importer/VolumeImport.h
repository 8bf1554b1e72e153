#pragma once

#include "ImportOptions.h"
#include "ImportProgress.h"
#include "ImportResult.h"
#include "SampleBuffer.h"

#include <functional>
#include <string>

// The one way into the viewer's sample range for everything but .dat: DICOM (a file, a
// series' folder, or one file of a series), NIfTI, NRRD, MetaImage, InVesalius projects and
// headerless data. Reading runs through ITK's image I/O (libarchive for InVesalius); the
// values are then mapped to 0..maxSample. Safe to call from a worker thread: it prints
// nothing and touches no GUI; it reports progress and stops when asked through `progress`.

// The linear mapping spreads the values between these fractions of the sorted values.
constexpr double robustLowFraction = 0.005;
constexpr double robustHighFraction = 0.995;

// Where the mapped samples go, given their count; unset: memory of the result's own. The
// reader program hands out a file that the viewer maps.
using SampleStore = std::function<SampleBuffer(size_t count)>;

// Reads the volume at `path`, a file or a DICOM folder, told apart by its name: .dcm (or
// any file GDCM takes for DICOM), .nii, .nii.gz, .hdr, .img, .nrrd, .nhdr, .mha, .mhd,
// .inv3. Never throws; a refusal leaves everything as it was.
ImportResult importVolume(const std::string &path, const ImportOptions &options = ImportOptions(),
                          const ImportProgress &progress = ImportProgress(), const SampleStore &store = SampleStore());

