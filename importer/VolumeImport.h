#pragma once

#include "ImportOptions.h"
#include "ImportProgress.h"
#include "ImportResult.h"

#include <string>

// The one way into the viewer's sample range for everything but .dat: DICOM (a file, a
// series' folder, or one file of a series), NIfTI, NRRD, MetaImage, InVesalius projects and
// headerless data. Reading runs through ITK's image I/O (libarchive for InVesalius); the
// values are then mapped to 0..maxSample. Safe to call from a worker thread: it prints
// nothing and touches no GUI; it reports progress and stops when asked through `progress`.

// The linear mapping spreads the values between these fractions of the sorted values.
constexpr double robustLowFraction = 0.005;
constexpr double robustHighFraction = 0.995;

// Reads the volume at `path`, a file or a DICOM folder, told apart by its name: .dcm (or
// any file GDCM takes for DICOM), .nii, .nii.gz, .hdr, .img, .nrrd, .nhdr, .mha, .mhd,
// .inv3, and chooses the mapping of its values: the result holds the original values (in
// the memory `progress` stores them in) and no samples. The reader program's import, whose
// caller maps the values to samples (mapToSamples). Never throws; a refusal leaves
// everything as it was.
ImportResult importValues(const std::string &path, const ImportOptions &options = ImportOptions(),
                          const ImportProgress &progress = ImportProgress());

// As importValues, and the samples mapped from the values besides.
ImportResult importVolume(const std::string &path, const ImportOptions &options = ImportOptions(),
                          const ImportProgress &progress = ImportProgress());
