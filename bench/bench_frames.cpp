// Frame times of the real view on the benchmark scene: a 256^3 ball whose density falls
// from 4095 at the centre to 0 at the rim, with a faint three-axis ripple, under a white
// transfer function whose opacity peaks at mid-range. Prints the median of many frames at
// rest (500 steps) and while dragging (28000 / width steps) for each window size.
//
// usage: bench_frames [--frames N] [--size WxH]... [--save DIR]
#include <GL/glew.h>

#include "BenchScene.h"
#include "GLWidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

namespace {

struct Options
{
    int frames = 10;
    std::vector<QSize> sizes;
    QString saveDir;
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--frames")
            options.frames = std::max(1, args[i + 1].toInt());
        else if (args[i] == "--size")
            options.sizes.push_back(QSize(args[i + 1].section('x', 0, 0).toInt(), args[i + 1].section('x', 1, 1).toInt()));
        else if (args[i] == "--save")
            options.saveDir = args[i + 1];
    }
    if (options.sizes.empty())
        options.sizes = {QSize(512, 512), QSize(1024, 768)};
    return options;
}

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median wall time of a frame, and the median processor time all of the renderer's threads
// spent on it, which a busy machine disturbs far less.
struct FrameTimes
{
    double wallMs;
    double cpuMs;
};

FrameTimes medianFrame(GLWidget &view, int frames, QImage *last)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < frames; ++i) {
        QElapsedTimer timer;
        const double cpuStart = processCpuMs();
        timer.start();
        // Renders one frame and reads it back, which waits for the GL to finish it.
        *last = view.grabFramebuffer();
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(processCpuMs() - cpuStart);
    }
    return {median(wall), median(cpu)};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());

    QTemporaryDir dir;
    if (!dir.isValid() || !writeBenchScene(dir.path() + "/lobster.dat") || !copyShaderFiles(dir.path())) {
        std::printf("cannot prepare the benchmark scene in a temporary directory\n");
        return 1;
    }
    QDir::setCurrent(dir.path());

    const std::vector<uint32_t> table = benchTransferTable();
    GLWidget view;
    view.setTransferTable(table.data());
    view.resize(options.sizes.front());
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::printf("no window could be shown\n");
        return 1;
    }
    view.setColors();
    view.makeCurrent();
    std::printf("renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    view.doneCurrent();

    std::printf("%-10s %6s %10s %10s %6s %10s %10s\n", "window", "steps", "rest ms", "cpu ms", "steps", "drag ms",
                "cpu ms");
    for (const QSize &size : options.sizes) {
        view.resize(size);
        QTest::qWait(50);
        // A press and release leave the view at its resting step count.
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(1, 1));
        QImage rest, drag;
        const FrameTimes restTimes = medianFrame(view, options.frames, &rest);
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(1, 1));
        const FrameTimes dragTimes = medianFrame(view, options.frames, &drag);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(1, 1));
        std::printf("%4dx%-5d %6d %10.1f %10.1f %6d %10.1f %10.1f\n", size.width(), size.height(), 500,
                    restTimes.wallMs, restTimes.cpuMs, 28000 / size.width(), dragTimes.wallMs, dragTimes.cpuMs);
        std::fflush(stdout);
        if (!options.saveDir.isEmpty()) {
            const QString stem = QString("%1/frame_%2x%3").arg(options.saveDir).arg(size.width()).arg(size.height());
            rest.save(stem + "_rest.png");
            drag.save(stem + "_drag.png");
        }
    }
    // A hidden view makes no frame on repaint: setColors() is then the upload alone.
    view.hide();
    std::vector<double> uploads;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.setColors();
        view.makeCurrent();
        glFinish();
        view.doneCurrent();
        uploads.push_back(timer.nsecsElapsed() / 1e3);
    }
    std::printf("transfer texture upload: %.1f us\n", median(uploads));
    return 0;
}
