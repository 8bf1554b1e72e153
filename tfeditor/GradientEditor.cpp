#include "GradientEditor.h"

#include "CurveMath.h"
#include "HoverPoints.h"
#include "ShadeWidget.h"

#include <QColorDialog>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

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

    for (ShadeWidget *shade : {redShade, greenShade, blueShade, alphaShade}) {
        connect(shade->pointEditor(), &HoverPoints::dragStarted, this, &GradientEditor::gestureStarted);
        connect(shade->pointEditor(), &HoverPoints::dragFinished, this, &GradientEditor::gestureFinished);
    }

    tableEntries.assign(CurveMath::TableSize, 0);
}

QRgb GradientEditor::colourAt(int column)
{
    return CurveMath::tableEntry(alphaShade->sampleAt(column), redShade->sampleAt(column),
                                 greenShade->sampleAt(column), blueShade->sampleAt(column));
}

// Reached from the channel editors' change notifications, which only the user's input on
// them causes, and from the other edits of the editor.
void GradientEditor::pointsUpdated()
{
    if (rebuildStops())
        emit gradientStopsEdited(stops);
}

// Rebuilds the stops from the four curves and announces them; false when nothing was.
bool GradientEditor::rebuildStops()
{
    if (colorsFixedToAlpha && !forceStopsUpdate)
        return false;
    forceStopsUpdate = false;

    const QPolygonF merged = redShade->curvePoints() + greenShade->curvePoints()
                             + blueShade->curvePoints() + alphaShade->curvePoints();
    const std::optional<QGradientStops> rebuilt = CurveMath::stopsFromPoints(
        merged, alphaShade->width(), [this](int column) { return colourAt(column); });
    // A point beyond the editor's width: the previous stops stay in force.
    if (!rebuilt)
        return false;

    stops = *rebuilt;
    alphaShade->setRampStops(stops);
    emit gradientStopsChanged(stops);
    return true;
}

// The points are placed in data coordinates (position, channel value), so stops set while
// the editor is squeezed small keep their values for when it is large again.
void GradientEditor::setGradientStops(const QGradientStops &newStops)
{
    // An empty list (an empty stops file) has no end points to pin; the current curves
    // and stops stay.
    if (newStops.isEmpty())
        return;

    QPolygonF red, green, blue, alpha;
    for (const QGradientStop &stop : newStops) {
        const QRgb colour = stop.second.rgba();
        const qreal position = stop.first;
        red << QPointF(position, qRed(colour));
        green << QPointF(position, qGreen(colour));
        blue << QPointF(position, qBlue(colour));
        alpha << QPointF(position, qAlpha(colour));
    }

    setCurves(red, green, blue, alpha);
    announceStops();
}

// Installs all four curves, in data coordinates; the caller announces the stops once.
void GradientEditor::setCurves(const QPolygonF &red, const QPolygonF &green, const QPolygonF &blue,
                               const QPolygonF &alpha)
{
    setShadeData(red, redShade);
    setShadeData(green, greenShade);
    setShadeData(blue, blueShade);
    setShadeData(alpha, alphaShade);
}

// The one rebuild that runs even while the colours are fixed to the alpha curve.
void GradientEditor::announceStops()
{
    forceStopsUpdate = true;
    rebuildStops();
}

void GradientEditor::announceEdit()
{
    forceStopsUpdate = true;
    pointsUpdated();
}

void GradientEditor::setHistogram(QPixmap *picture)
{
    alphaShade->setBackdrop(picture);
}

void GradientEditor::setShadeData(const QPolygonF &data, ShadeWidget *shade)
{
    shade->pointEditor()->replaceData(data);
    pinEnds(shade);
}

// With a single point the right pin wins: that point goes to the right edge once moved.
void GradientEditor::pinEnds(ShadeWidget *shade)
{
    HoverPoints *editor = shade->pointEditor();
    const int count = editor->dataList().size();
    if (count > 0) {
        editor->setLock(0, HoverPoints::PinLeft);
        editor->setLock(count - 1, HoverPoints::PinRight);
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

// The curves are edited in data coordinates, so the points the dialog does not touch keep
// their values whatever size the editor has now.
void GradientEditor::colorDialog(int index, QWidget *selectedWidget)
{
    ShadeWidget *selected = qobject_cast<ShadeWidget *>(selectedWidget);
    if (!selected)
        return;

    // The curves are copied before the dialog's own event loop runs and written back
    // after it; the dialog is modal, so nothing else edits them meanwhile.
    QPolygonF red = redShade->pointEditor()->dataList();
    QPolygonF green = greenShade->pointEditor()->dataList();
    QPolygonF blue = blueShade->pointEditor()->dataList();
    QPolygonF alpha = alphaShade->pointEditor()->dataList();
    const qreal position = selected->pointEditor()->dataList().at(index).x();

    const QRgb current = colourAt(CurveMath::roundHalfUpToInt(selected->curvePoints().at(index).x()));
    const QColor chosen = QColorDialog::getColor(QColor::fromRgba(current), this, QString(),
                                                 QColorDialog::ShowAlphaChannel);
    // A cancelled dialog re-applies the colour the curves show.
    const QRgb colour = chosen.isValid() ? chosen.rgba() : current;

    red = CurveMath::withHeightAt(red, position, qRed(colour));
    green = CurveMath::withHeightAt(green, position, qGreen(colour));
    blue = CurveMath::withHeightAt(blue, position, qBlue(colour));
    alpha = CurveMath::withHeightAt(alpha, position, qAlpha(colour));

    setCurves(red, green, blue, alpha);
    announceEdit();
}

void GradientEditor::moveColorsToAlpha(bool state)
{
    colorsFixedToAlpha = state;

    const std::array<ShadeWidget *, 3> colourShades = {redShade, greenShade, blueShade};
    for (ShadeWidget *shade : colourShades)
        shade->pointEditor()->setEditable(!state);
    if (!state)
        return;

    // Every colour curve keeps, at each alpha point, the value it shows there and loses its
    // points elsewhere. All curves are read before any is replaced.
    const QPolygonF alphaShown = alphaShade->curvePoints();
    const QPolygonF alphaData = alphaShade->pointEditor()->dataList();
    std::array<QPolygonF, 3> aligned;
    for (int i = 0; i < alphaData.size(); ++i) {
        const int column = CurveMath::roundHalfUpToInt(alphaShown.at(i).x());
        const qreal position = alphaData.at(i).x();
        aligned[0] << QPointF(position, qRed(redShade->sampleAt(column)));
        aligned[1] << QPointF(position, qGreen(greenShade->sampleAt(column)));
        aligned[2] << QPointF(position, qBlue(blueShade->sampleAt(column)));
    }
    for (int c = 0; c < 3; ++c)
        setShadeData(aligned[c], colourShades[c]);

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
        QPolygonF data = shade->pointEditor()->dataList();
        if (index < 0 || index > data.size())
            continue;
        const qreal position = CurveMath::pixelToData(CurveMath::channelFrame, QPointF(xPos, 0), shade->size()).x();
        data.insert(index, QPointF(position, 255));
        setShadeData(data, shade);
    }

    announceEdit();
}

void GradientEditor::deleteColorPoints(int index)
{
    if (!colorsFixedToAlpha)
        return;

    for (ShadeWidget *shade : {redShade, greenShade, blueShade}) {
        QPolygonF data = shade->pointEditor()->dataList();
        if (index < 0 || index >= data.size())
            continue;
        data.remove(index);
        setShadeData(data, shade);
    }

    announceEdit();
}
