#include "MeasurementFile.h"

#include "MeasurementGeometry.h"

#include <QList>
#include <QLocale>

#include <cmath>

namespace MeasurementFile {

namespace {

const QByteArray header = "Dichtenschau measurements 1";
const char *const kindWords[] = {"distance", "angle", "ellipse", "rectangle"};
const char axisLetters[] = {'x', 'y', 'z'};

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

bool toInt(const QByteArray &word, int &value)
{
    bool ok = false;
    value = word.toInt(&ok);
    return ok;
}

// Only finite numbers: "nan" and "inf" read as doubles too.
bool toFinite(const QByteArray &word, double &value)
{
    bool ok = false;
    value = word.toDouble(&ok);
    return ok && std::isfinite(value);
}

bool readGrid(const QList<QByteArray> &words, Grid &grid)
{
    if (words.size() != 8 || words[0] != "grid" || words[4] != "spacing")
        return false;
    for (int a = 0; a < 3; ++a)
        if (!toInt(words[1 + a], grid.size[size_t(a)]) || grid.size[size_t(a)] <= 0
            || !toFinite(words[5 + a], grid.spacing[size_t(a)]) || grid.spacing[size_t(a)] <= 0)
            return false;
    return true;
}

bool readMeasurement(const QList<QByteArray> &words, const Grid &grid, Measurement &m)
{
    if (words.size() < 3)
        return false;
    int kind = 0;
    while (kind < 4 && words[0] != kindWords[kind])
        ++kind;
    if (kind == 4 || words[1].size() != 1)
        return false;
    m.kind = MeasurementKind(kind);
    m.sliceAxis = int(QByteArray(axisLetters, 3).indexOf(words[1][0]));
    if (m.sliceAxis < 0 || !toInt(words[2], m.slice) || m.slice < 0 || m.slice >= grid.size[size_t(m.sliceAxis)])
        return false;
    const int points = pointCount(m.kind);
    if (words.size() != 3 + 2 * points)
        return false;
    const std::array<int, 2> axes = inPlaneAxes(m.sliceAxis);
    m.points.assign(size_t(points), VoxelPoint{0, 0, 0});
    for (int p = 0; p < points; ++p) {
        VoxelPoint &point = m.points[size_t(p)];
        point[size_t(m.sliceAxis)] = m.slice;
        for (int i = 0; i < 2; ++i) {
            double &coordinate = point[size_t(axes[size_t(i)])];
            const int voxels = grid.size[size_t(axes[size_t(i)])];
            if (!toFinite(words[3 + 2 * p + i], coordinate) || coordinate < -0.5 || coordinate > voxels - 0.5)
                return false;
        }
    }
    return true;
}

QString gridText(const Grid &grid)
{
    return QString("%1 x %2 x %3 voxels of %4 x %5 x %6 mm")
        .arg(grid.size[0])
        .arg(grid.size[1])
        .arg(grid.size[2])
        .arg(grid.spacing[0], 0, 'g', 4)
        .arg(grid.spacing[1], 0, 'g', 4)
        .arg(grid.spacing[2], 0, 'g', 4);
}

} // namespace

bool Grid::sameAs(const Grid &other) const
{
    for (size_t a = 0; a < 3; ++a)
        if (size[a] != other.size[a] || std::fabs(spacing[a] - other.spacing[a]) > 1e-6 * std::fabs(spacing[a]))
            return false;
    return true;
}

QByteArray encode(const Grid &grid, const Measurements &measurements)
{
    QByteArray text = header + "\n";
    text += "grid " + QByteArray::number(grid.size[0]) + " " + QByteArray::number(grid.size[1]) + " "
            + QByteArray::number(grid.size[2]) + " spacing " + number(grid.spacing[0]) + " " + number(grid.spacing[1])
            + " " + number(grid.spacing[2]) + "\n";
    for (const Measurement &m : measurements) {
        text += QByteArray(kindWords[int(m.kind)]) + " " + axisLetters[m.sliceAxis] + " " + QByteArray::number(m.slice);
        for (const VoxelPoint &point : m.points)
            for (int axis : inPlaneAxes(m.sliceAxis))
                text += " " + number(point[size_t(axis)]);
        text += "\n";
    }
    return text;
}

Decoded decode(const QByteArray &bytes)
{
    Decoded decoded;
    QList<QByteArray> lines = bytes.split('\n');
    // The newline that ends the last line leaves an empty piece behind it.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const auto damagedAt = [&decoded](int line) {
        decoded.verdict = Verdict::Damaged;
        decoded.line = line;
        decoded.measurements.clear();
        return decoded;
    };
    if (lines.isEmpty() || lines[0].trimmed() != header)
        return decoded;
    if (lines.size() < 2 || !readGrid(lines[1].simplified().split(' '), decoded.grid))
        return damagedAt(2);
    if (lines.size() - 2 > maxMeasurements)
        return damagedAt(maxMeasurements + 3);
    for (int l = 2; l < lines.size(); ++l) {
        Measurement m;
        if (!readMeasurement(lines[l].simplified().split(' '), decoded.grid, m))
            return damagedAt(l + 1);
        decoded.measurements.push_back(m);
    }
    decoded.verdict = Verdict::Read;
    return decoded;
}

QString refusal(const Decoded &decoded, const Grid &volume)
{
    switch (decoded.verdict) {
    case Verdict::Foreign:
        return QStringLiteral("it is not a measurements file");
    case Verdict::Damaged:
        return QString("its line %1 is damaged").arg(decoded.line);
    case Verdict::Read:
        break;
    }
    if (decoded.grid.sameAs(volume))
        return {};
    return QString("it was made on a grid of %1, this volume's is %2").arg(gridText(decoded.grid), gridText(volume));
}

} // namespace MeasurementFile
