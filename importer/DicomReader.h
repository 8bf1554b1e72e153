#pragma once

#include "SourceVolume.h"

#include <QString>

class ImportProgress;

// DICOM through ITK and GDCM: a folder holding one or more series (searched with its
// subfolders; the series with the most images opens, the others are named in a note), or
// one file, which opens its whole series when its folder holds the rest. The slices are
// sorted along the normal of their planes and must be evenly spaced, of one size and
// complete; a multi-frame file is a volume of its own. Values come out after the rescale
// slope and intercept, so CT arrives in Hounsfield units. The import can stop between files.
SourceVolume readDicom(const QString &path, const GridLimits &limits, const ImportProgress &progress);

// Whether GDCM takes the file for DICOM: for names without a known suffix.
bool looksLikeDicom(const QString &path);
