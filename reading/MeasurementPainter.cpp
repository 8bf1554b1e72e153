#include "MeasurementPainter.h"

#include "MeasurementReport.h"
#include "MeasurementShape.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

const QColor lineColour(80, 200, 255);
const QColor selectedColour(255, 230, 80);
// More than the views' slices can hold on one slice is never drawn from memory.
constexpr size_t rememberedRegions = 64;
constexpr double handleSide = 6.0;

// Where the figures go: past the end of a distance, beside an angle's vertex, right of a
// region's box, so they do not cover what was measured.
QPointF figuresAnchor(const Measurement &measurement, const QPolygonF &outline)
{
    if (measurement.kind == MeasurementKind::Angle && outline.size() == 3)
        return outline[1] + QPointF(10, 4);
    if (measurement.isRegion())
        return QPointF(outline.boundingRect().right() + 8, outline.boundingRect().top());
    return outline.isEmpty() ? QPointF() : outline.last() + QPointF(8, 4);
}

// Light text on a dark rim, readable on any grey.
void drawFigures(QPainter &painter, const QPointF &anchor, const QStringList &lines, const QColor &colour)
{
    const QFontMetricsF metrics(painter.font());
    QPointF baseline = anchor + QPointF(0, metrics.ascent());
    for (const QString &line : lines) {
        painter.setPen(Qt::black);
        for (const QPointF &offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
            painter.drawText(baseline + offset, line);
        painter.setPen(colour);
        painter.drawText(baseline, line);
        baseline.ry() += metrics.lineSpacing();
    }
}

} // namespace

void MeasurementPainter::draw(QPainter &painter, const SliceMapping &mapping, const SliceSource &source,
                              const MeasurementSet &set)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const Measurements &all = set.all();
    for (size_t i = 0; i < all.size(); ++i) {
        const Measurement &m = all[i];
        if (!isOnSlice(m, mapping))
            continue;
        const bool selected = int(i) == set.selected();
        const QColor colour = selected ? selectedColour : lineColour;
        const QPolygonF outline = outlineOf(m, mapping);
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(outline);
        if (selected) {
            painter.setBrush(colour);
            for (const VoxelPoint &handle : handlesOf(m))
                painter.drawRect(QRectF(mapping.toWidget(handle) - QPointF(handleSide / 2, handleSide / 2),
                                        QSizeF(handleSide, handleSide)));
        }
        const RegionStatistics stats = m.isRegion() ? statisticsOf(source, m) : RegionStatistics();
        drawFigures(painter, figuresAnchor(m, outline), measurementFigures(source, m, stats), colour);
    }
    painter.restore();
}

const RegionStatistics &MeasurementPainter::statisticsOf(const SliceSource &source, const Measurement &region)
{
    for (const auto &[measured, stats] : remembered)
        if (measured == region)
            return stats;
    if (remembered.size() >= rememberedRegions)
        remembered.erase(remembered.begin());
    remembered.emplace_back(region, regionStatistics(source, region));
    return remembered.back().second;
}
