#pragma once

#include "SlicePlane.h"

#include <QWidget>

#include <array>

class QGridLayout;
class ReadingState;
class SliceView;

// The view area of the window in one of five layouts: the 3-D view alone (the start), the
// axial, coronal or sagittal view alone, or a 2 x 2 grid of the three with the 3-D view.
// The 3-D view is handed in and never moves between parents, so its GL context lives as
// long as the window; the layouts only show and hide the four views. Ctrl+1 to Ctrl+5 pick
// the layouts in that order.
class ReadingLayout : public QWidget
{
    Q_OBJECT

public:
    enum Mode { View3D, Axial, Coronal, Sagittal, Grid };
    Q_ENUM(Mode)

    explicit ReadingLayout(QWidget *view3d, QWidget *parent = nullptr);

    ReadingState *state() const { return shared; }
    SliceView *sliceView(SliceOrientation orientation) const { return slices[int(orientation)]; }
    Mode mode() const { return shownMode; }
    // The 2-D view the slab and cine controls act on: the one that last had the focus, or
    // the one shown alone; the axial view before any.
    SliceView *currentSliceView() const { return current; }
    // The names of the layouts, in the order of Mode, for a control that picks them.
    static QStringList modeNames();
    // Column (x) and row (y) of a view in the 2 x 2 grid: the axial, coronal and sagittal
    // views are 0, 1 and 2, the 3-D view is 3.
    static QPoint gridCell(int view);
    // Pixels between the grid's cells.
    static constexpr int gridSpacing = 2;

public slots:
    void setMode(int mode);

signals:
    void modeChanged(int mode);
    void currentSliceViewChanged(SliceView *view);
    // What lies under the cursor in a 2-D view; empty when it leaves the slice.
    void readoutChanged(const QString &text);
    // A 2-D view's menu asked for the list of the measurements.
    void measurementListRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addModeShortcuts();
    void makeCurrent(SliceView *view);

    QWidget *view3d;
    ReadingState *shared;
    std::array<SliceView *, 3> slices;
    Mode shownMode = View3D;
    SliceView *current = nullptr;
};
