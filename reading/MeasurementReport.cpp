#include "MeasurementReport.h"

#include "MeasurementGeometry.h"
#include "PatientAxes.h"
#include "SliceCaption.h"
#include "SlicePlane.h"
#include "VoxelReadout.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MeasurementReport", text);
}

// Millimetres, degrees and statistics to a tenth; small values (an MRI's 0..1) keep three
// significant digits instead of becoming 0.0.
QString figure(double value)
{
    return std::fabs(value) >= 1.0 || value == 0.0 ? QString::number(value, 'f', 1) : QString::number(value, 'g', 3);
}

// A voxel's own value: whole where the source stores whole numbers (HU), as a figure
// otherwise.
QString voxelValue(double value)
{
    return value == std::round(value) && std::fabs(value) < 1e15 ? QString::number(std::llround(value)) : figure(value);
}

QString unitOf(const SliceSource &source)
{
    return source.units.hounsfield ? tr("HU") : QString();
}

QString withUnit(const QString &number, const QString &unit)
{
    return unit.isEmpty() ? number : number + " " + unit;
}

QString viewName(const SliceSource &source, int sliceAxis)
{
    return orientationName(orientationAlong(sliceAxis, nearestAxisOrder(source.frame))).toLower();
}

QStringList headerRow()
{
    return {tr("number"), tr("view"), tr("slice"), tr("slice position mm"), tr("kind"), tr("length mm"),
            tr("angle degrees"), tr("area mm2"), tr("voxels"), tr("mean"), tr("SD"), tr("median"),
            tr("minimum"), tr("maximum"), tr("unit")};
}

QStringList rowOf(const SliceSource &source, const Measurement &m, int number)
{
    const MillimetresPerVoxel spacing = spacingOf(source);
    QStringList row{QString::number(number), viewName(source, m.sliceAxis), QString::number(m.slice),
                    figure(slicePosition(source, m.sliceAxis, m.slice)), kindName(m.kind)};
    QString length, angle;
    if (m.kind == MeasurementKind::Distance)
        length = figure(distanceMm(spacing, m.points[0], m.points[1]));
    if (m.kind == MeasurementKind::Angle)
        if (const std::optional<double> degrees = angleDegrees(spacing, m.points[0], m.points[1], m.points[2]))
            angle = figure(*degrees);
    row << length << angle;
    if (!m.isRegion())
        return row << QString() << QString() << QString() << QString() << QString() << QString() << QString()
                   << QString();
    const RegionStatistics stats = regionStatistics(source, m);
    row << figure(stats.areaMm2) << QString::number(stats.voxels);
    if (stats.hasValues())
        row << figure(stats.mean) << figure(stats.standardDeviation) << voxelValue(stats.median)
            << voxelValue(stats.minimum) << voxelValue(stats.maximum) << unitOf(source);
    else
        row << QString() << QString() << QString() << QString() << QString() << QString();
    return row;
}

} // namespace

QString kindName(MeasurementKind kind)
{
    switch (kind) {
    case MeasurementKind::Angle:
        return tr("angle");
    case MeasurementKind::Ellipse:
        return tr("ellipse");
    case MeasurementKind::Rectangle:
        return tr("rectangle");
    case MeasurementKind::Distance:
        break;
    }
    return tr("distance");
}

QStringList measurementFigures(const SliceSource &source, const Measurement &measurement, const RegionStatistics &stats)
{
    const MillimetresPerVoxel spacing = spacingOf(source);
    const QString unit = unitOf(source);
    switch (measurement.kind) {
    case MeasurementKind::Distance:
        return {withUnit(figure(distanceMm(spacing, measurement.points[0], measurement.points[1])), tr("mm"))};
    case MeasurementKind::Angle: {
        const std::optional<double> degrees =
            angleDegrees(spacing, measurement.points[0], measurement.points[1], measurement.points[2]);
        return {degrees ? figure(*degrees) + QChar(0x00B0) : QString()};
    }
    case MeasurementKind::Ellipse:
    case MeasurementKind::Rectangle:
        break;
    }
    QStringList lines;
    if (stats.hasValues()) {
        lines << tr("mean %1  SD %2").arg(withUnit(figure(stats.mean), unit), figure(stats.standardDeviation))
              << tr("median %1  min %2  max %3")
                     .arg(voxelValue(stats.median), voxelValue(stats.minimum), voxelValue(stats.maximum));
    }
    lines << tr("area %1 mm²").arg(figure(stats.areaMm2));
    return lines;
}

QList<QStringList> measurementRows(const SliceSource &source, const Measurements &measurements)
{
    QList<QStringList> rows{headerRow()};
    for (size_t i = 0; i < measurements.size(); ++i)
        rows << rowOf(source, measurements[i], int(i) + 1);
    return rows;
}

QString measurementTable(const SliceSource &source, const Measurements &measurements, TableFormat format)
{
    const QString separator = format == TableFormat::Csv ? QStringLiteral(",") : QStringLiteral("\t");
    QString table;
    for (const QStringList &row : measurementRows(source, measurements))
        table += row.join(separator) + "\n";
    return table;
}
