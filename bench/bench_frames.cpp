// Frame times of the real view on the benchmark scene: a 256^3 ball whose density falls
// from 4095 at the centre to 0 at the rim, with a faint three-axis ripple, under a white
// transfer function whose opacity peaks at mid-range. Prints the median of many frames at
// rest (500 steps) and while dragging (28000 / width steps) for each window size.
//
// With --volume the scene is that .dat file instead, under the transfer function named by
// --transfer: bench (the benchmark scene's), skin (the viewer's default stops over the
// volume's narrowed range), bone (transparent up to 2200, opaque white from 3000 on) or
// none (all transparent: what a frame costs besides its samples).
// --skip off renders without empty-space skipping; --count adds the share of the samples
// that skipping steps over, counted by a variant of the ray shader, and the time to
// rebuild the brick visibility after a transfer table change.
//
// usage: bench_frames [--frames N] [--size WxH]... [--save DIR] [--volume FILE.dat]
//                     [--transfer bench|skin|bone|none] [--skip on|off] [--count] [--turn X,Z]
//                     [--mode composite|mip|minip|average] [--window W,L]
//
// --mode draws that projection instead of the transfer function's picture, through the
// window W,L given in samples (0..4095; the whole range by default).
// --turn sets the view's x and z rotations (1/16 degree) before the frames; --save writes
// the last frame at rest and dragging of each size into DIR.
//
// The view is zoomed so that the box's longest side spans the window's shorter side, as
// the peer renderer frames it (the start zoom, which keeps the whole box in view however
// it turns, draws it at about 0.58 of that width); each size's line of coverage, the share
// of the resting picture that is not black, shows that both drew the same extent.
#include <GL/glew.h>

#include "BenchScene.h"
#include "BrickRanges.h"
#include "BrickVisibility.h"
#include "DensityHistogram.h"
#include "GLWidget.h"
#include "ShaderSource.h"
#include "ViewGeometry.h"
#include "Volume.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Options
{
    int frames = 10;
    std::vector<QSize> sizes;
    QString saveDir;
    QString volume;
    QString transfer = "bench";
    bool skip = true;
    bool count = false;
    int xTurn = 0;
    int zTurn = 0;
    ProjectionMode mode = ProjectionMode::Composite;
    ProjectionGreys greys;
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--count") {
            options.count = true;
            continue;
        }
        if (i + 1 == args.size())
            break;
        if (args[i] == "--frames")
            options.frames = std::max(1, args[i + 1].toInt());
        else if (args[i] == "--size")
            options.sizes.push_back(QSize(args[i + 1].section('x', 0, 0).toInt(), args[i + 1].section('x', 1, 1).toInt()));
        else if (args[i] == "--save")
            options.saveDir = args[i + 1];
        else if (args[i] == "--volume")
            options.volume = args[i + 1];
        else if (args[i] == "--transfer")
            options.transfer = args[i + 1];
        else if (args[i] == "--skip")
            options.skip = args[i + 1] != "off";
        else if (args[i] == "--mode")
            options.mode = projectionModeOfWord(args[i + 1]).value_or(ProjectionMode::Composite);
        else if (args[i] == "--window") {
            const double width = args[i + 1].section(',', 0, 0).toDouble();
            const double level = args[i + 1].section(',', 1, 1).toDouble();
            options.greys = {float(level - width / 2), float(level + width / 2)};
        } else if (args[i] == "--turn") {
            options.xTurn = args[i + 1].section(',', 0, 0).toInt();
            options.zTurn = args[i + 1].section(',', 1, 1).toInt();
        }
        ++i;
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

// The samples of a .dat file, x fastest, as the file holds them.
struct Samples
{
    std::vector<uint16_t> values;
    int sizeX = 0, sizeY = 0, sizeZ = 0;
};

bool readSamples(const QString &path, Samples &samples)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    uint16_t sizes[3] = {0, 0, 0};
    if (file.read(reinterpret_cast<char *>(sizes), sizeof sizes) != qint64(sizeof sizes))
        return false;
    samples.sizeX = sizes[0];
    samples.sizeY = sizes[1];
    samples.sizeZ = sizes[2];
    samples.values.resize(size_t(sizes[0]) * sizes[1] * sizes[2]);
    const qint64 bytes = qint64(samples.values.size() * sizeof(uint16_t));
    return file.read(reinterpret_cast<char *>(samples.values.data()), bytes) == bytes;
}

std::vector<uint32_t> transferTable(const QString &name, const Samples &samples)
{
    if (name == "bone")
        return tableFromStops(boneStops());
    if (name == "none")
        return tableFromStops({});
    if (name == "skin") {
        DensityHistogram counts;
        counts.count(samples.values.data(), int64_t(samples.values.size()));
        const DensityRange range = counts.narrowedRange();
        std::printf("skin stops over %d..%d\n", range.min, range.max);
        return tableFromStops(skinStops(range.min, range.max));
    }
    return benchTransferTable();
}

// The box's longest side across the window's shorter side, centred.
void frameLikeThePeer(GLWidget &view)
{
    if (!view.volume())
        return;
    const DatHeader &grid = view.volume()->statedSize();
    const VoxelSpacing spacing = view.volume()->spacing();
    const std::array<double, 3> voxel =
        spacing.known ? std::array<double, 3>{spacing.x, spacing.y, spacing.z} : std::array<double, 3>{1.0, 1.0, 1.0};
    view.setViewCamera(ViewCamera{framingSpan(boxScaleFor({grid.x, grid.y, grid.z}, voxel)), 0.0, 0.0});
}

// Percentage of the pixels whose brightest channel is above 2 of 255, so that the
// rounding noise of a black background does not count.
double coverage(const QImage &picture)
{
    qint64 lit = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            lit += std::max({qRed(p), qGreen(p), qBlue(p)}) > 2;
        }
    return 100.0 * double(lit) / std::max<qint64>(1, qint64(picture.width()) * picture.height());
}

// The ray shader of the working directory with its sample counters switched on: each
// pixel then shows how many samples its ray took and how many it stepped over.
bool switchOnSampleCounting()
{
    std::string text;
    if (!readShaderFile("shader1.frag", text))
        return false;
    const std::string counting = insertAfterVersionLine(text, "#define COUNT_SAMPLES\n");
    QFile file("shader1.frag");
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(counting.data(), qint64(counting.size())) == qint64(counting.size());
}

// Percentage of the samples skipped over all rays of a counting frame: red and the low
// half of blue hold the samples taken, green and the high half of blue those skipped.
double skippedShare(const QImage &counts)
{
    double taken = 0, skipped = 0;
    for (int y = 0; y < counts.height(); ++y)
        for (int x = 0; x < counts.width(); ++x) {
            const QRgb p = counts.pixel(x, y);
            taken += qRed(p) + 256 * (qBlue(p) % 16);
            skipped += qGreen(p) + 256 * (qBlue(p) / 16);
        }
    return taken + skipped > 0 ? 100.0 * skipped / (taken + skipped) : 0.0;
}

bool showView(GLWidget &view, const std::vector<uint32_t> &table, const QSize &size)
{
    view.setTransferTable(table.data());
    view.resize(size);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    view.setColors();
    return true;
}

void countSkippedSamples(const Options &options, const std::vector<uint32_t> &table)
{
    if (!switchOnSampleCounting()) {
        std::printf("cannot switch on the ray shader's sample counters\n");
        return;
    }
    for (const QSize &size : options.sizes) {
        GLWidget view;
        if (!showView(view, table, size))
            return;
        view.setXRotation(options.xTurn);
        view.setZRotation(options.zTurn);
        frameLikeThePeer(view);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(1, 1));
        const double rest = skippedShare(view.grabFramebuffer());
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(1, 1));
        const double drag = skippedShare(view.grabFramebuffer());
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(1, 1));
        std::printf("skipped %dx%d: rest %.1f %%, drag %.1f %%\n", size.width(), size.height(), rest, drag);
    }
}

// What a transfer table change costs the skipping: the visibility of every brick.
void timeBrickVisibility(const Samples &samples, const std::vector<uint32_t> &table)
{
    QElapsedTimer timer;
    timer.start();
    const BrickRanges ranges = BrickRanges::ofSamples(samples.values.data(), samples.sizeX, samples.sizeY, samples.sizeZ);
    const double rangesMs = timer.nsecsElapsed() / 1e6;
    std::vector<uint8_t> visible;
    std::vector<double> rebuilds;
    for (int i = 0; i < 200; ++i) {
        timer.restart();
        computeBrickVisibility(ranges, table.data(), visible);
        rebuilds.push_back(timer.nsecsElapsed() / 1e3);
    }
    const auto hidden = std::count(visible.begin(), visible.end(), 0);
    std::printf("brick ranges from the samples: %.1f ms; visibility rebuild: %.1f us for %d bricks (%d transparent)\n",
                rangesMs, median(rebuilds), ranges.brickCount(), int(hidden));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());

    QTemporaryDir dir;
    const QString scene = dir.path() + "/lobster.dat";
    const bool prepared = options.volume.isEmpty() ? writeBenchScene(scene)
                                                   : QFile::link(QFileInfo(options.volume).absoluteFilePath(), scene);
    Samples samples;
    if (!dir.isValid() || !prepared || !copyShaderFiles(dir.path()) || !readSamples(scene, samples)) {
        std::printf("cannot prepare the scene in a temporary directory\n");
        return 1;
    }
    QDir::setCurrent(dir.path());

    const std::vector<uint32_t> table = transferTable(options.transfer, samples);
    GLWidget view;
    view.setEmptySpaceSkipping(options.skip);
    if (!showView(view, table, options.sizes.front())) {
        std::printf("no window could be shown\n");
        return 1;
    }
    view.makeCurrent();
    std::printf("renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    view.doneCurrent();
    std::printf("empty-space skipping: %s\n", options.skip ? "on" : "off");
    view.setProjectionMode(options.mode);
    view.setProjectionGreys(options.greys);
    std::printf("mode: %s, window %.0f..%.0f\n", qPrintable(projectionModeNames().at(int(options.mode))),
                double(options.greys.low), double(options.greys.high));
    view.setXRotation(options.xTurn);
    view.setZRotation(options.zTurn);
    frameLikeThePeer(view);

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
        std::printf("coverage %dx%d: %.1f %%\n", size.width(), size.height(), coverage(rest));
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
    if (options.count) {
        timeBrickVisibility(samples, table);
        countSkippedSamples(options, table);
    }
    return 0;
}
