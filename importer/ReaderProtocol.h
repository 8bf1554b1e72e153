#pragma once

#include "VolumeImport.h"

#include <QByteArray>

// What the reader process tells the viewer, one line at a time on its standard output:
//   "progress F"   the fraction done, 0..1, as the import reports it;
//   "result JSON"  once, at the end: the ImportResult, all of it but its samples, as one JSON
//                  object on one line. The samples lie in the file the viewer named.
// Any other line is no part of the answer. Every field of ImportResult travels; a field
// added to it is added here as well.
namespace ReaderProtocol {

QByteArray progressLine(double fraction);
QByteArray resultLine(const ImportResult &result);

// Read one line (without its line break); false where it is not of that kind or damaged.
bool readProgress(const QByteArray &line, double *fraction);
bool readResult(const QByteArray &line, ImportResult *result);

} // namespace ReaderProtocol
