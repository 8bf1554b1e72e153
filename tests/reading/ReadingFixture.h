#pragma once

#include "MouseDrags.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "SliceView.h"

#include <QTest>
#include <QWidget>

#include <vector>

// One 2-D view alone in a layout of 600 x 600 pixels, showing a CT of 40 x 30 x 10 voxels
// of 0.5 x 0.8 x 2.5 mm, stored the usual way (no frame: x to the right, y down in the axial
// view), whose value in HU is x + 40 y - 1000 + 100 z.
struct ReadingFixture
{
    static constexpr std::array<int, 3> size{40, 30, 10};

    explicit ReadingFixture(ReadingLayout::Mode mode = ReadingLayout::Axial)
        : samples(size_t(size[0] * size[1] * size[2]))
    {
        for (int z = 0; z < size[2]; ++z)
            for (int y = 0; y < size[1]; ++y)
                for (int x = 0; x < size[0]; ++x)
                    samples[size_t(x + size[0] * (y + size[1] * z))] = uint16_t(x + 40 * y + 24 + 100 * z);
        source.samples = samples.data();
        source.size = size;
        source.stride = {1, size[0], int64_t(size[0]) * size[1]};
        source.spacing = {0.5, 0.8, 2.5, true};
        source.units = {1.0, 1024.0, true};
        layout.resize(600, 600);
        layout.setMode(mode);
        layout.state()->setSource(source);
        layout.show();
    }
    ReadingState *state() const { return layout.state(); }
    SliceView *view(SliceOrientation o = SliceOrientation::Axial) const { return layout.sliceView(o); }

    // The centre of an axial cell in widget pixels, from the drawn rectangle alone.
    QPointF centreOfCell(double column, double row) const
    {
        const QRectF rect = view()->imageRect();
        return QPointF(rect.left() + (column + 0.5) * rect.width() / size[0], rect.top() + (row + 0.5) * rect.height() / size[1]);
    }

    std::vector<uint16_t> samples;
    SliceSource source;
    QWidget *view3d = new QWidget;
    ReadingLayout layout{view3d};
};

// Voxel coordinates that agree to well below a pixel at any zoom.
inline bool near(const VoxelPoint &a, const VoxelPoint &b)
{
    return qAbs(a[0] - b[0]) < 1e-6 && qAbs(a[1] - b[1]) < 1e-6 && qAbs(a[2] - b[2]) < 1e-6;
}

// A whole drag with any one button, through its middle.
inline void dragWith(QWidget *widget, Qt::MouseButton button, const QPointF &from, const QPointF &to)
{
    sendMouse(widget, QEvent::MouseButtonPress, from, button, button);
    moveHolding(widget, (from + to) / 2, button);
    moveHolding(widget, to, button);
    sendMouse(widget, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

inline void wheelAt(QWidget *widget, const QPointF &at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(widget, &wheel);
}
