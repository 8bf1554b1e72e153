#pragma once

#include "Measurement.h"

#include <QByteArray>
#include <QString>

#include <array>

// The measurements file of a volume: UTF-8 text, one item per line, numbers in the C
// locale's notation:
//   Dichtenschau measurements 1
//   grid X Y Z spacing SX SY SZ
//   KIND AXIS SLICE U1 V1 U2 V2 [U3 V3]
//   ...
// The first line names the format and its version. The grid line gives the volume's voxels
// along x, y and z and the millimetres between them (1 where the volume states none), so
// that a file made on another grid is refused. Then one line per measurement, in the list's
// order: KIND is distance, angle, ellipse or rectangle; AXIS (x, y or z) the voxel axis its
// slice is stacked along and SLICE the slice's index on it; then its points (two, three for
// an angle) as voxel coordinates (the centre of voxel i at i) along the two other axes in
// the order x, y, z. Numbers are written as the shortest text that reads back to the same
// double.
//
// A file is used whole or not at all: one line that is not what it must be (an unknown kind,
// a point off the grid, a number that is no number) makes the whole file damaged, and the
// volume opens without measurements.
namespace MeasurementFile {

// A file holding more is no file of ours, and reading all of it would stall the open.
constexpr int maxMeasurements = 10000;
constexpr qint64 maxBytes = 4 * 1024 * 1024;

struct Grid
{
    std::array<int, 3> size{0, 0, 0};
    std::array<double, 3> spacing{1, 1, 1};

    // Spacings that differ only by rounding in an importer are the same grid.
    bool sameAs(const Grid &other) const;
};

QByteArray encode(const Grid &grid, const Measurements &measurements);

enum class Verdict { Read, Foreign, Damaged };
struct Decoded
{
    Verdict verdict = Verdict::Foreign;
    // The first line found wrong, counted from 1, for a damaged file.
    int line = 0;
    Grid grid;
    Measurements measurements;
};
Decoded decode(const QByteArray &bytes);

// Why a file is not used, as the console line's end: "it is not a measurements file", "its
// line 3 is damaged", "it was made on a grid of ...".
QString refusal(const Decoded &decoded, const Grid &volume);

} // namespace MeasurementFile
