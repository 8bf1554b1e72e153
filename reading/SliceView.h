#pragma once

#include "MeasurementEditor.h"
#include "MeasurementPainter.h"
#include "SliceImage.h"
#include "SliceMapping.h"
#include "SlicePlane.h"
#include "SliceZoom.h"
#include "ThickSlab.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <optional>

class ReadingState;

// One 2-D reading view: the slice of its orientation through the shared cross point, at the
// scan's resolution with square millimetres, grey through the shared window; the patient
// directions at its edges, the other two views' planes as thin lines, the measurements made
// on the slice, its name, slice and window in the corners.
//
// The wheel, Page Up/Down (a tenth of the slices) and the arrow keys move through the slices;
// a left click or drag sets the cross point, or draws and edits measurements; a drag with the
// right button changes the window (horizontal: width, vertical: level), a right click
// without a drag opens the view's menu. Ctrl with the wheel, + and - zoom about the cursor,
// a middle drag moves the zoomed slice, Home fits it again. Over the slice it announces what
// lies under the cursor. It may show a thick slab around its slice instead (ThickSlab),
// which stays while the slice, the zoom or the window change; the readout still names the
// voxel of the slice itself.
class SliceView : public QWidget
{
    Q_OBJECT

public:
    SliceView(SliceOrientation orientation, ReadingState *state, QWidget *parent = nullptr);

    SliceOrientation orientation() const { return plane.orientation; }
    const SlicePlane &slicePlane() const { return plane; }
    // Where the whole slice is drawn in the widget, at the view's zoom; empty while there is
    // nothing to show. Only its part inside the view's frame is seen.
    QRectF imageRect() const;
    // The voxel shown under a point of the widget; none outside the slice.
    std::optional<std::array<int, 3>> voxelAt(const QPointF &point) const;
    const SliceZoom &zoom() const { return zoomState; }
    // Between the widget and the voxels of the slice shown, as it is drawn now.
    SliceMapping sliceMapping() const;
    const SlabSetting &slab() const { return slabSetting; }


    QSize sizeHint() const override { return QSize(300, 300); }
    QSize minimumSizeHint() const override { return QSize(120, 120); }

public slots:
    void fitSlice();
    void setSlab(const SlabSetting &slab);
    // The next slice towards the head (front, left), after the last the first again.
    void stepCine();

signals:
    // The readout of the voxel under the cursor; empty when the cursor leaves the slice.
    void readoutChanged(const QString &text);
    void measurementListRequested();
    void slabChanged(const SlabSetting &slab);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    enum class Drag { None, CrossPoint, Measuring, Window, Pan };

    void takeSource();
    void followCrossPoint();
    void stepSlices(int steps);
    void zoomAbout(const QPointF &point, int steps);
    QPointF zoomCentre() const;
    void deleteSelected();
    void moveCrossPointTo(const QPointF &point);
    void dragWindow(const QPointF &point);
    void announce(const QPointF &point);
    int slice() const;
    QRectF letterArea() const;
    QRectF fittedImageRect() const;
    void drawCaptions(QPainter &painter) const;

    ReadingState *state;
    SlicePlane plane;
    SliceZoom zoomState;
    MeasurementEditor editor;
    MeasurementPainter measurementPainter;
    // The slice's samples, gathered again only when the slice or the volume has changed, and
    // their picture at one pixel per cell, made again when they or the window have.
    SliceSamples gathered;
    int cachedSlice = -1;
    SlabSetting cachedSlab;
    SlabSetting slabSetting;
    QImage cached;
    bool greysStale = true;
    int shownSlice = -1;
    Drag drag = Drag::None;
    // Where the mouse was last seen over the view; none once it has left.
    std::optional<QPointF> hovered;
    QPointF pressPos;
    QPointF lastDragPos;
    bool windowDragStarted = false;
    int wheelTurn = 0;
    int zoomTurn = 0;
    QString lastReadout;
};
