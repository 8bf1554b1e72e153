#pragma once

#include <QByteArray>
#include <QGradientStops>
#include <QString>

// The stops file of a volume: one 24-byte little-endian record per gradient stop, in list
// order, with no header:
//   0  double  position (0..1)
//   8  int32   colour model: 0 invalid, 1 RGB, 2 HSV, 3 CMYK
//   12 uint16  alpha, then the model's channels (red, green, blue, 0 for RGB;
//              hue * 100, saturation, value, 0 for HSV; cyan, magenta, yellow, black for
//              CMYK), each at 16-bit precision (an 8-bit c is stored as c * 257)
//   22 2 bytes padding, written as zeros
// Records are encoded and decoded field by field, never copied from the toolkit's memory.
namespace StopsFile {

constexpr int recordSize = 24;
// More stops than the editor has pixel columns cannot be shown; a file holding more is
// damaged, and reading all of it would stall the editor.
constexpr int maxStops = 4096;

QByteArray encode(const QGradientStops &stops);

struct Decoded
{
    QGradientStops stops;
    int skipped = 0;   // records with a position that is not a finite number or an unknown model
    int ignored = 0;   // whole records beyond maxStops
};
// A trailing part shorter than a record is ignored.
Decoded decode(const QByteArray &bytes);

enum class ReadResult { Missing, Read };
// Reads at most maxStops records; reports skipped records on standard output. Anything but
// a regular file counts as missing.
ReadResult read(const QString &path, QGradientStops &stops);

// Writes to a temporary file in the same directory and renames it over the old one, so a
// full disk or a crash leaves the last complete file. Returns the reason of a failure, or
// an empty string.
QString write(const QString &path, const QGradientStops &stops);

} // namespace StopsFile
