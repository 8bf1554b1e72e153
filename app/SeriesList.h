#pragma once

#include <QString>

// The command-line list of an exam's series:
//   dichtenschau --list PATH
// reads the headers of the DICOM exam at PATH (a folder, a DICOMDIR or a DICOM file) in the
// reader program and prints one line per series, numbered from 1 in the order patient,
// study, series number, the numbers `--series` takes:
//   1: CT, localizer, 2 images, 8 x 5 x 2, 0.5 x 0.75 x 2.5 mm; patient DOE^JANE (4711), study 2024-01-31 chest, series 1
// Needs no display. A path that holds no DICOM gets one line that says why.
namespace SeriesList {

// The process's exit status: 0 for a list, 1 for a refusal.
int run(const QString &path);

} // namespace SeriesList
