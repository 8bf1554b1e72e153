#pragma once

#include "DicomHeader.h"

#include <QString>

// One header read per file, which stops before the pixel data and never decodes it: the
// element walk first (DicomWalk), where GDCM would abort, then GDCM's reader up to the pixel
// data, whose length is checked against what the header declares, since GDCM takes a file
// cut inside its pixel data without complaint. Safe to call from several threads at once.
namespace DicomHeaderReader {

// False when the file is no DICOM image GDCM can take; then `header` is left unfinished.
bool read(const QString &path, DicomHeader *header);

} // namespace DicomHeaderReader
