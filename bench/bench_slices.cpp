// Times one redraw of a 2-D reading view of a 512 x 512 slice, the whole paint path (slice
// extraction through the window's table, the scaled drawing with square millimetres, lines,
// letters and captions) into an image of the view's size, while scrolling through the slices,
// while the window changes, and while the view zooms (Ctrl and the wheel, from fitted to 16
// times and back) and pans (a middle drag) over a slice with an ellipse and a distance
// measured on it, and while scrolling with a 15 mm MIP slab. Prints the median and the
// slowest redraw per orientation.
//
// Needs a display; run it under xvfb-run or with QT_QPA_PLATFORM=offscreen.

#include "LargeBuffer.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "SliceView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int side = 512;
constexpr int redraws = 60;

// A CT-like head: a ball of soft tissue inside a shell of bone, air around, with a ripple so
// that neighbouring slices differ. In memory as the volume keeps its samples (huge pages
// where the kernel gives them), which decides the cost of a slice across the storage order.
uint16_t *headSamples()
{
    uint16_t *samples = allocateLargeBuffer(int64_t(side) * side * side);
    size_t i = 0;
    for (int z = 0; z < side; ++z)
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x, ++i) {
                const int dx = x - side / 2, dy = y - side / 2, dz = z - side / 2;
                const int r2 = dx * dx + dy * dy + dz * dz;
                const int hu = r2 > 230 * 230 ? -1000 : r2 > 210 * 210 ? 1200 : 40 + (x ^ y ^ z) % 32;
                samples[i] = uint16_t(hu + 1024);
            }
    return samples;
}

template <typename Change>
void timeRedraws(const char *label, SliceView *view, QImage &target, Change change, const char *kind = "slice")
{
    std::vector<double> ms;
    for (int i = 0; i < redraws; ++i) {
        QElapsedTimer timer;
        timer.start();
        change(i);
        QPainter painter(&target);
        view->render(&painter);
        painter.end();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s %dx%d %-8s %-7s in %dx%d: median %.2f ms, slowest %.2f ms\n", kind, side, side, label,
                view->objectName().toUtf8().constData(), target.width(), target.height(), ms[ms.size() / 2], ms.back());
}

void send(QWidget *view, QEvent &&event)
{
    QCoreApplication::sendEvent(view, &event);
}

// Steps of Ctrl and the wheel about points that wander over the view: eight in, eight out.
void zoomStep(SliceView *view, int i)
{
    const QPointF at(view->width() * (0.3 + 0.02 * (i % 20)), view->height() * (0.6 - 0.015 * (i % 20)));
    const int delta = (i / 8) % 2 ? -120 : 120;
    send(view, QWheelEvent(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                           Qt::NoScrollPhase, false));
}

// The ellipse over the soft tissue and the distance across the head, on the slice shown.
void measureOn(ReadingState *state, const SlicePlane &plane)
{
    const int slice = state->crossPoint()[plane.sliceAxis];
    VoxelPoint a{0, 0, 0}, b{0, 0, 0}, c{0, 0, 0}, d{0, 0, 0};
    a[plane.columnAxis] = 180, a[plane.rowAxis] = 200;
    b[plane.columnAxis] = 330, b[plane.rowAxis] = 300;
    c[plane.columnAxis] = 40, c[plane.rowAxis] = 256;
    d[plane.columnAxis] = 470, d[plane.rowAxis] = 256;
    for (VoxelPoint *p : {&a, &b, &c, &d})
        (*p)[plane.sliceAxis] = slice;
    state->measurements()->replace({Measurement{MeasurementKind::Ellipse, plane.sliceAxis, slice, {a, b}},
                                    Measurement{MeasurementKind::Distance, plane.sliceAxis, slice, {c, d}}});
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    uint16_t *samples = headSamples();
    SliceSource source;
    source.samples = samples;
    source.size = {side, side, side};
    source.stride = {1, side, int64_t(side) * side};
    source.spacing = {0.5, 0.5, 0.5, true};
    source.frame.known = true;
    source.units = {1.0, 1024.0, true};

    ReadingLayout layout(new QWidget);
    layout.state()->setSource(source);
    ReadingState *state = layout.state();
    const char *names[] = {"axial", "coronal", "sagittal"};
    for (SliceOrientation o : {SliceOrientation::Axial, SliceOrientation::Coronal, SliceOrientation::Sagittal}) {
        SliceView *view = layout.sliceView(o);
        view->setObjectName(names[int(o)]);
        view->resize(800, 800);
        QImage target(view->size(), QImage::Format_RGB32);
        const int axis = view->slicePlane().sliceAxis;
        timeRedraws("scroll", view, target, [&](int i) { state->moveCrossPoint(axis, i % 2 ? 1 : 2); });
        timeRedraws("window", view, target, [&](int i) {
            state->setWindow({400.0 + 4 * i, 40.0 + 2 * i});
        });
        measureOn(state, view->slicePlane());
        timeRedraws("zoom", view, target, [&](int i) { zoomStep(view, i); });
        const QPointF middle = view->rect().center();
        send(view, QMouseEvent(QEvent::MouseButtonPress, middle, view->mapToGlobal(middle), Qt::MiddleButton,
                               Qt::MiddleButton, Qt::NoModifier));
        timeRedraws("pan", view, target, [&](int i) {
            const QPointF to = middle + QPointF(30 * ((i % 8) - 4), 20 * ((i % 6) - 3));
            send(view, QMouseEvent(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::MiddleButton,
                                   Qt::NoModifier));
        });
        send(view, QMouseEvent(QEvent::MouseButtonRelease, middle, view->mapToGlobal(middle), Qt::MiddleButton,
                               Qt::NoButton, Qt::NoModifier));
        // A 15 mm MIP slab (31 slices) while scrolling: every redraw folds the slab anew.
        view->setSlab({15.0, SlabMode::Mip});
        timeRedraws("15mm-MIP", view, target, [&](int i) { state->moveCrossPoint(axis, i % 2 ? 1 : 2); }, "slab");
        view->setSlab({});
    }
    releaseLargeBuffer(samples);
    return 0;
}
