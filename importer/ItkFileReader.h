#pragma once

#include "SourceVolume.h"

#include <QString>

class ImportProgress;

// The single-file formats ITK reads for us: NIfTI-1 and -2 (.nii, .nii.gz, .hdr/.img),
// NRRD (.nrrd, .nhdr) and MetaImage (.mha, .mhd).
enum class ItkFormat { Nifti, Nrrd, MetaImage };

// Reads the whole volume; refuses with an ImportError naming `path`. The samples come in
// one piece, so the import can stop only before and after.
SourceVolume readItkFile(const QString &path, ItkFormat format, const GridLimits &limits, const ImportProgress &progress);
