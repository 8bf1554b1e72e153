#include "GradientEditor.h"

#include "CurveMath.h"
#include "HoverPoints.h"
#include "ShadeWidget.h"

#include <QColorDialog>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

using CurveMath::valueToHeight;

GradientEditor::GradientEditor(QWidget *parent)
    : QWidget(parent), colorsFixedToAlpha(false), forceStopsUpdate(false)
{
    QVBoxLayout *layout = new QVBoxLayout(this);
    layout->setSpacing(1);
    layout->setContentsMargins(1, 1, 1, 1);

    redShade = new ShadeWidget(ShadeWidget::RedChannel, this);
    greenShade = new ShadeWidget(ShadeWidget::GreenChannel, this);
    blueShade = new ShadeWidget(ShadeWidget::BlueChannel, this);
    alphaShade = new ShadeWidget(ShadeWidget::AlphaChannel, this);

    layout->addWidget(redShade);
    layout->addWidget(greenShade);
    layout->addWidget(blueShade);
    layout->addWidget(alphaShade);

    connect(redShade, &ShadeWidget::colorsChanged, this, &GradientEditor::pointsUpdated);
    connect(greenShade, &ShadeWidget::colorsChanged, this, &GradientEditor::pointsUpdated);
    connect(blueShade, &ShadeWidget::colorsChanged, this, &GradientEditor::pointsUpdated);
    connect(alphaShade, &ShadeWidget::colorsChanged, this, &GradientEditor::pointsUpdated);

    connect(redShade->pointEditor(), &HoverPoints::chooseColor, this, &GradientEditor::colorDialog);
    connect(greenShade->pointEditor(), &HoverPoints::chooseColor, this, &GradientEditor::colorDialog);
    connect(blueShade->pointEditor(), &HoverPoints::chooseColor, this, &GradientEditor::colorDialog);
    connect(alphaShade->pointEditor(), &HoverPoints::chooseColor, this, &GradientEditor::colorDialog);

    connect(alphaShade->pointEditor(), &HoverPoints::alphaChanged, this, &GradientEditor::moveColorsWithAlpha);
    connect(alphaShade->pointEditor(), &HoverPoints::alphaPointCreated, this, &GradientEditor::newColorPoints);
    connect(alphaShade->pointEditor(), &HoverPoints::alphaPointDeleted, this, &GradientEditor::deleteColorPoints);

    tableEntries.assign(CurveMath::TableSize, 0);
}

QRgb GradientEditor::colourAt(int column)
{
    return CurveMath::tableEntry(alphaShade->sampleAt(column), redShade->sampleAt(column),
                                 greenShade->sampleAt(column), blueShade->sampleAt(column));
}

void GradientEditor::pointsUpdated()
{
    if (colorsFixedToAlpha && !forceStopsUpdate)
        return;
    forceStopsUpdate = false;

    const QPolygonF merged = redShade->curvePoints() + greenShade->curvePoints()
                             + blueShade->curvePoints() + alphaShade->curvePoints();
    const std::optional<QGradientStops> stops = CurveMath::stopsFromPoints(
        merged, alphaShade->width(), [this](int column) { return colourAt(column); });
    // A point beyond the editor's width: the previous stops stay in force.
    if (!stops)
        return;

    alphaShade->setRampStops(*stops);
    emit gradientStopsChanged(*stops);
}

void GradientEditor::setGradientStops(const QGradientStops &stops)
{
    // An empty list (an empty stops file) has no end points to pin; the current curves
    // and stops stay.
    if (stops.isEmpty())
        return;

    QPolygonF red, green, blue, alpha;
    for (const QGradientStop &stop : stops) {
        const QRgb colour = stop.second.rgba();
        const qreal position = stop.first;
        red << CurveMath::stopToPoint(position, qRed(colour), redShade->width(), redShade->height());
        green << CurveMath::stopToPoint(position, qGreen(colour), greenShade->width(), greenShade->height());
        blue << CurveMath::stopToPoint(position, qBlue(colour), blueShade->width(), blueShade->height());
        alpha << CurveMath::stopToPoint(position, qAlpha(colour), alphaShade->width(), alphaShade->height());
    }

    installCurves(red, green, blue, alpha);
}

// Installs all four curves, then rebuilds and announces the stops once.
void GradientEditor::installCurves(const QPolygonF &red, const QPolygonF &green, const QPolygonF &blue,
                                   const QPolygonF &alpha)
{
    setShadePoints(red, redShade);
    setShadePoints(green, greenShade);
    setShadePoints(blue, blueShade);
    setShadePoints(alpha, alphaShade);
    announceStops();
}

// The one rebuild that runs even while the colours are fixed to the alpha curve.
void GradientEditor::announceStops()
{
    forceStopsUpdate = true;
    pointsUpdated();
}

void GradientEditor::setHistogram(QPixmap *picture)
{
    alphaShade->setBackdrop(picture);
}

void GradientEditor::resizeEvent(QResizeEvent *)
{
    announceStops();
}

void GradientEditor::setShadePoints(const QPolygonF &points, ShadeWidget *shade)
{
    HoverPoints *editor = shade->pointEditor();
    editor->replacePoints(points);
    // With a single point the right pin wins: that point sits on the right edge.
    if (!points.isEmpty()) {
        editor->setLock(0, HoverPoints::PinLeft);
        editor->setLock(points.size() - 1, HoverPoints::PinRight);
    }
    shade->update();
}

void GradientEditor::buildTransferTable(int lo, int hi)
{
    if (!CurveMath::tableRangeValid(lo, hi))
        return;

    const float step = CurveMath::tableStep(alphaShade->width(), lo, hi);
    std::fill(tableEntries.begin(), tableEntries.begin() + lo, 0);
    std::fill(tableEntries.begin() + hi + 1, tableEntries.end(), 0);
    // Columns never decrease with the entry, and a range wider than the editor repeats
    // each column; a repeated column has the entry before it.
    int previousColumn = -1;
    for (int i = lo; i <= hi; ++i) {
        const int column = CurveMath::tableColumn(i, lo, step);
        tableEntries[i] = column == previousColumn ? tableEntries[i - 1] : colourAt(column);
        previousColumn = column;
    }
}

void GradientEditor::colorDialog(int index, QWidget *selectedWidget)
{
    ShadeWidget *selected = qobject_cast<ShadeWidget *>(selectedWidget);
    if (!selected)
        return;

    // The curves are copied before the dialog's own event loop runs and written back
    // after it; the dialog is modal, so nothing else edits them meanwhile.
    QPolygonF red = redShade->curvePoints();
    QPolygonF green = greenShade->curvePoints();
    QPolygonF blue = blueShade->curvePoints();
    QPolygonF alpha = alphaShade->curvePoints();
    const qreal x = selected->curvePoints().at(index).x();

    const QRgb current = colourAt(CurveMath::roundHalfUpToInt(x));
    const QColor chosen = QColorDialog::getColor(QColor::fromRgba(current), this, QString(),
                                                 QColorDialog::ShowAlphaChannel);
    // A cancelled dialog re-applies the colour the curves show.
    const QRgb colour = chosen.isValid() ? chosen.rgba() : current;

    red = CurveMath::withHeightAt(red, x, valueToHeight(qRed(colour), redShade->height()));
    green = CurveMath::withHeightAt(green, x, valueToHeight(qGreen(colour), greenShade->height()));
    blue = CurveMath::withHeightAt(blue, x, valueToHeight(qBlue(colour), blueShade->height()));
    alpha = CurveMath::withHeightAt(alpha, x, valueToHeight(qAlpha(colour), alphaShade->height()));

    installCurves(red, green, blue, alpha);
}

void GradientEditor::moveColorsToAlpha(bool state)
{
    colorsFixedToAlpha = state;

    const std::array<ShadeWidget *, 3> colourShades = {redShade, greenShade, blueShade};
    for (ShadeWidget *shade : colourShades)
        shade->pointEditor()->setEditable(!state);
    if (!state)
        return;

    // Every colour curve keeps, at each alpha point, the value it showed there and loses
    // its points elsewhere. All curves are read before any is replaced.
    std::array<QPolygonF, 3> aligned;
    for (const QPointF &alphaPoint : alphaShade->curvePoints()) {
        const int column = CurveMath::roundHalfUpToInt(alphaPoint.x());
        const QRgb red = redShade->sampleAt(column);
        const QRgb green = greenShade->sampleAt(column);
        const QRgb blue = blueShade->sampleAt(column);
        aligned[0] << QPointF(alphaPoint.x(), valueToHeight(qRed(red), redShade->height()));
        aligned[1] << QPointF(alphaPoint.x(), valueToHeight(qGreen(green), greenShade->height()));
        aligned[2] << QPointF(alphaPoint.x(), valueToHeight(qBlue(blue), blueShade->height()));
    }
    for (int c = 0; c < 3; ++c)
        setShadePoints(aligned[c], colourShades[c]);

    announceStops();
}

void GradientEditor::moveColorsWithAlpha(int index, qreal newXPos)
{
    if (!colorsFixedToAlpha)
        return;

    // All three copies are taken before any point moves. A colour curve without a point
    // at this index (the coupling was broken from outside) is left alone.
    const std::array<ShadeWidget *, 3> colourShades = {redShade, greenShade, blueShade};
    std::array<QPointF, 3> moved;
    std::array<bool, 3> present;
    for (int c = 0; c < 3; ++c) {
        const QPolygonF points = colourShades[c]->curvePoints();
        present[c] = index >= 0 && index < points.size();
        if (present[c])
            moved[c] = QPointF(newXPos, points.at(index).y());
    }
    for (int c = 0; c < 3; ++c) {
        if (present[c])
            colourShades[c]->pointEditor()->placePoint(index, moved[c], true);
    }

    // The alpha editor's own change notification follows and does the one rebuild.
    forceStopsUpdate = true;
}

void GradientEditor::newColorPoints(int index, qreal xPos)
{
    if (!colorsFixedToAlpha)
        return;

    // New colour points start at full value: white where the alpha point was added.
    for (ShadeWidget *shade : {redShade, greenShade, blueShade}) {
        QPolygonF points = shade->curvePoints();
        if (index < 0 || index > points.size())
            continue;
        points.insert(index, QPointF(xPos, valueToHeight(255, shade->height())));
        setShadePoints(points, shade);
    }

    announceStops();
}

void GradientEditor::deleteColorPoints(int index)
{
    if (!colorsFixedToAlpha)
        return;

    for (ShadeWidget *shade : {redShade, greenShade, blueShade}) {
        QPolygonF points = shade->curvePoints();
        if (index < 0 || index >= points.size())
            continue;
        points.remove(index);
        setShadePoints(points, shade);
    }

    announceStops();
}
