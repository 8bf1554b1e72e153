#pragma once

#include <QGradientStops>
#include <QPolygonF>
#include <QWidget>

#include <vector>

class QPixmap;
class ShadeWidget;

// The transfer-function editor: four channel editors (red, green, blue, alpha, top to
// bottom) whose curves it merges into one sorted list of gradient stops, announced through
// gradientStopsChanged after each finished edit, and which it sets from a stop list. It
// owns the 4096-entry transfer table that the view reads in place, opens the colour dialog
// for "set color", and can tie the colour curves to the alpha curve.
//
// While the colours are fixed to the alpha curve, each colour curve has exactly the alpha
// curve's x positions and follows every move, insertion and deletion of an alpha point.
// The colour editors' own change notifications are then silenced: only an operation that
// sets forceStopsUpdate gets a rebuild of the stops, so one edit is announced once.
//
// Every rebuild is announced through gradientStopsChanged. One that the user caused in the
// editor (a drag step, a new or deleted point, a colour chosen) is then announced again
// through gradientStopsEdited, and a drag of a point is framed by gestureStarted and
// gestureFinished: the stops set from outside (setGradientStops) and the realignment of the
// coupling are no edits of the editor's. A resize only shows the same points at the new size
// and announces nothing.
class GradientEditor : public QWidget
{
    Q_OBJECT

public:
    explicit GradientEditor(QWidget *parent);

    void setGradientStops(const QGradientStops &stops);
    void setHistogram(QPixmap *picture);
    // The stops of the last rebuild; empty before the first.
    const QGradientStops &gradientStops() const { return stops; }

    // Rewrites the whole table so that the editor's width spans entries lo..hi; a range
    // outside 0..4095 or with lo > hi leaves the table as it is.
    void buildTransferTable(int lo, int hi);
    // Entry i is the colour of sample value i as 0xAARRGGBB; the address never changes.
    quint32 *transferTable() { return tableEntries.data(); }

signals:
    void gradientStopsChanged(const QGradientStops &stops);
    void gradientStopsEdited(const QGradientStops &stops);
    void gestureStarted();
    void gestureFinished();

public slots:
    void pointsUpdated();
    void colorDialog(int index, QWidget *selectedWidget);
    void moveColorsToAlpha(bool state);
    void moveColorsWithAlpha(int index, qreal newXPos);
    void newColorPoints(int index, qreal xPos);
    void deleteColorPoints(int index);

private:
    void setShadeData(const QPolygonF &data, ShadeWidget *shade);
    void pinEnds(ShadeWidget *shade);
    void setCurves(const QPolygonF &red, const QPolygonF &green, const QPolygonF &blue, const QPolygonF &alpha);
    bool rebuildStops();
    void announceStops();
    void announceEdit();
    QRgb colourAt(int column);

    ShadeWidget *redShade;
    ShadeWidget *greenShade;
    ShadeWidget *blueShade;
    ShadeWidget *alphaShade;
    std::vector<quint32> tableEntries;
    QGradientStops stops;
    bool colorsFixedToAlpha;
    bool forceStopsUpdate;
};
