#pragma once

#include "SliceImage.h"
#include "SlicePlane.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <optional>

class ReadingState;

// One 2-D reading view: the slice of its orientation through the shared cross point, at the
// scan's resolution with square millimetres, grey through the shared window; the patient
// directions at its edges, the other two views' planes as thin lines, its name, slice and
// window in the corners.
//
// The wheel, Page Up/Down and the arrow keys move through the slices; a left click or drag
// sets the cross point; a drag with the right button changes the window (horizontal: width,
// vertical: level). Over the slice it announces what lies under the cursor.
class SliceView : public QWidget
{
    Q_OBJECT

public:
    SliceView(SliceOrientation orientation, ReadingState *state, QWidget *parent = nullptr);

    SliceOrientation orientation() const { return plane.orientation; }
    const SlicePlane &slicePlane() const { return plane; }
    // Where the slice is drawn in the widget; empty while there is nothing to show.
    QRectF imageRect() const;
    // The voxel shown under a point of the widget; none outside the slice.
    std::optional<std::array<int, 3>> voxelAt(const QPointF &point) const;

    QSize sizeHint() const override { return QSize(300, 300); }
    QSize minimumSizeHint() const override { return QSize(120, 120); }

    // The colour by which each orientation is told apart: its name and its lines.
    static QColor colourOf(SliceOrientation orientation);

signals:
    // The readout of the voxel under the cursor; empty when the cursor leaves the slice.
    void readoutChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void takeSource();
    void stepSlices(int steps);
    void moveCrossPointTo(const QPointF &point);
    void announce(const QPointF &point);
    int slice() const;
    QRectF letterArea() const;
    void drawCrossLines(QPainter &painter, const QRectF &rect) const;
    void drawLetters(QPainter &painter, const QRectF &rect) const;
    void drawCaptions(QPainter &painter) const;

    ReadingState *state;
    SlicePlane plane;
    // The slice's samples, gathered again only when the slice or the volume has changed, and
    // their picture at one pixel per cell, made again when they or the window have.
    SliceSamples gathered;
    int cachedSlice = -1;
    QImage cached;
    bool greysStale = true;
    QPoint lastDragPos;
    int wheelTurn = 0;
    QString lastReadout;
};
