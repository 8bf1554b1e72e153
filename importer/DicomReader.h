#pragma once

#include "ImportOptions.h"
#include "SourceVolume.h"

#include <QString>

class ImportProgress;

// DICOM through GDCM and ITK: an exam, as a folder (searched with its subfolders) or a
// DICOMDIR gives it, or one file, which opens its whole series when its folder holds the
// rest. One header scan (DicomScan) finds the exam's series (DicomSeriesRules); the one the
// options choose is read once per file (DicomVolumeRead), or the answer is the list alone.
// Without a choice the largest grey series opens and the others are named in a note by their
// number in the list. Values come out after the rescale slope and intercept, so CT arrives
// in Hounsfield units. The import can stop between files.
SourceVolume readDicom(const QString &path, const ImportOptions &options, const ImportProgress &progress);

// Whether GDCM takes the file for DICOM: for names without a known suffix.
bool looksLikeDicom(const QString &path);
