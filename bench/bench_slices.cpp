// Times one redraw of a 2-D reading view of a 512 x 512 slice, the whole paint path (slice
// extraction through the window's table, the scaled drawing with square millimetres, lines,
// letters and captions) into an image of the view's size, while scrolling through the slices
// and while the window changes. Prints the median and the slowest redraw per orientation.
//
// Needs a display; run it under xvfb-run or with QT_QPA_PLATFORM=offscreen.

#include "LargeBuffer.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "SliceView.h"

#include <QApplication>
#include <QElapsedTimer>
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
void timeRedraws(const char *label, SliceView *view, QImage &target, Change change)
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
    std::printf("slice %dx%d %-8s %-7s in %dx%d: median %.2f ms, slowest %.2f ms\n", side, side, label,
                view->objectName().toUtf8().constData(), target.width(), target.height(), ms[ms.size() / 2], ms.back());
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
    }
    releaseLargeBuffer(samples);
    return 0;
}
