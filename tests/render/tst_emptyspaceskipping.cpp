// Rays that step over the bricks the transfer function makes transparent must draw the
// same picture as rays that sample everything.
#include "BenchScene.h"
#include "BrickRanges.h"
#include "BrickVisibility.h"
#include "ConsoleCapture.h"
#include "GLWidget.h"
#include "PictureDifference.h"
#include "ScratchWorkingDirectory.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

enum class Scene { Bench, Head, OddHead, BrickBorders };
enum class Transfer { Bench, Skin, Bone, Bright };

struct Grid
{
    int x, y, z;
};

// A head-like CT after the mapping to samples: air (noisy near the head, empty beyond the
// scanner's field of view), a skin shell, a skull shell with
// marrow of uneven density, and soft tissue inside; each with a little texture.
uint16_t headSample(int x, int y, int z, const Grid &g)
{
    const double u = (x - g.x / 2.0) / (0.45 * g.x), v = (y - g.y / 2.0) / (0.42 * g.y),
                 w = (z - g.z / 2.0) / (0.47 * g.z);
    const double r = std::sqrt(u * u + v * v + w * w);
    const double texture = std::sin(0.7 * x + 1.3 * std::sin(0.5 * y)) * std::sin(0.9 * z + 0.4 * y);
    if (r > 1.15)
        return 0;
    if (r > 1.0)
        return uint16_t(24 + 10 * (1 + texture));
    if (r > 0.92)
        return uint16_t(1060 + 40 * texture);
    if (r > 0.8)
        return uint16_t(2700 + 500 * texture);
    return uint16_t(1040 + 30 * texture);
}

// Plates one voxel thick on the faces between bricks, each on one side of its face only,
// and a single voxel on a brick's corner: visible only through the samples they pull up
// inside the neighbouring brick.
uint16_t brickBorderSample(int x, int y, int z)
{
    const auto in = [](int c, int from) { return c >= from && c < from + 8; };
    const bool plates = (x == 15 && in(y, 20) && in(z, 20)) || (y == 32 && in(x, 36) && in(z, 4))
        || (z == 31 && in(x, 50) && in(y, 50));
    return plates || (x == 47 && y == 47 && z == 16) ? 3000 : 0;
}

std::vector<uint16_t> sceneSamples(Scene scene, const Grid &g)
{
    std::vector<uint16_t> samples;
    samples.reserve(size_t(g.x) * g.y * g.z);
    for (int z = 0; z < g.z; ++z)
        for (int y = 0; y < g.y; ++y)
            for (int x = 0; x < g.x; ++x)
                samples.push_back(scene == Scene::Bench                               ? benchSample(x, y, z)
                                  : scene == Scene::Head || scene == Scene::OddHead ? headSample(x, y, z, g)
                                                                                    : brickBorderSample(x, y, z));
    return samples;
}

Grid sceneGrid(Scene scene)
{
    switch (scene) {
    case Scene::Bench:
        return {benchSceneSize, benchSceneSize, benchSceneSize};
    case Scene::Head:
        return {96, 112, 80};
    // Padded to 96 x 114 in the texture, whose bricks end where the grid's own fractions
    // do not: the brick face at x = 64 lies at 64 / 96 of the texture but 64 / 95 of the grid.
    case Scene::OddHead:
        return {95, 113, 80};
    case Scene::BrickBorders:
        return {64, 64, 48};
    }
    return {1, 1, 1};
}

std::vector<uint32_t> transferTable(Transfer transfer, int lo, int hi)
{
    switch (transfer) {
    case Transfer::Bench:
        return benchTransferTable();
    case Transfer::Skin:
        return tableFromStops(skinStops(lo, hi));
    case Transfer::Bone:
        return tableFromStops(boneStops());
    case Transfer::Bright:
        return tableFromStops({{1500.0, 1.0, 1.0}, {4095.0, 1.0, 1.0}});
    }
    return {};
}

int litPixels(const QImage &image)
{
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            lit += qGray(image.pixel(x, y)) > 20 ? 1 : 0;
    return lit;
}

} // namespace

Q_DECLARE_METATYPE(Scene)
Q_DECLARE_METATYPE(Transfer)

class TestEmptySpaceSkipping : public QObject
{
    Q_OBJECT

private slots:
    void skippingKeepsThePicture_data()
    {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<Transfer>("transfer");
        QTest::addColumn<int>("xTurn");
        QTest::addColumn<int>("zTurn");
        QTest::addColumn<bool>("dragging");
        // The ripple leaves no brick of the benchmark scene wholly transparent.
        QTest::addColumn<bool>("bricksToSkip");
        // Where the crop box starts along x, as a fraction of the grid.
        QTest::addColumn<float>("cropFrom");
        QTest::newRow("benchmark scene") << Scene::Bench << Transfer::Bench << 0 << 0 << false << false << 0.0f;
        QTest::newRow("benchmark scene, turned, dragging")
            << Scene::Bench << Transfer::Bench << 500 << 700 << true << false << 0.0f;
        QTest::newRow("head, skin") << Scene::Head << Transfer::Skin << 0 << 0 << false << true << 0.0f;
        QTest::newRow("head, bone") << Scene::Head << Transfer::Bone << 0 << 0 << false << true << 0.0f;
        QTest::newRow("head, bone, turned") << Scene::Head << Transfer::Bone << 900 << 300 << false << true << 0.0f;
        QTest::newRow("head, bone, dragging") << Scene::Head << Transfer::Bone << 0 << 0 << true << true << 0.0f;
        QTest::newRow("brick borders") << Scene::BrickBorders << Transfer::Bright << 0 << 0 << false << true << 0.0f;
        QTest::newRow("brick borders, turned")
            << Scene::BrickBorders << Transfer::Bright << 650 << 1300 << false << true << 0.0f;
        // The crop box starts 0.671 into the grid, 0.664 into the texture: the brick before
        // the face at x = 64 holds samples inside it.
        QTest::newRow("odd grid, bone, cropped at a brick face")
            << Scene::OddHead << Transfer::Bone << 900 << 1300 << false << true << 0.671f;
    }
    void skippingKeepsThePicture()
    {
        QFETCH(Scene, scene);
        QFETCH(Transfer, transfer);
        QFETCH(int, xTurn);
        QFETCH(int, zTurn);
        QFETCH(bool, dragging);
        QFETCH(bool, bricksToSkip);
        QFETCH(float, cropFrom);
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        const Grid g = sceneGrid(scene);
        const std::vector<uint16_t> samples = sceneSamples(scene, g);
        QVERIFY(writeVolumeFile("lobster.dat", g.x, g.y, g.z,
                                [&](int x, int y, int z) { return samples[(size_t(z) * g.y + y) * g.x + x]; }));

        auto view = std::make_unique<GLWidget>();
        std::vector<uint32_t> table(4096, 0u);
        view->setTransferTable(table.data());
        view->resize(256, 256);
        QString opening;
        bool shown = false;
        {
            ConsoleCapture console;
            view->show();
            shown = QTest::qWaitForWindowExposed(view.get());
            opening = console.text();
        }
        REQUIRE_GL(shown, "no window can be shown here, so no GL context to render with");
        // The skin function spans the volume's narrowed range, which the open prints.
        const QRegularExpressionMatch range = QRegularExpression("Volume density: (\\d+) - (\\d+)").match(opening);
        QVERIFY2(range.hasMatch(), qPrintable(opening));
        const std::vector<uint32_t> wanted = transferTable(transfer, range.captured(1).toInt(), range.captured(2).toInt());
        std::copy(wanted.begin(), wanted.end(), table.begin());
        view->setColors();
        view->setXRotation(xTurn);
        view->setZRotation(zTurn);
        view->setCropBox({cropFrom, 1, 0, 1, 0, 1});
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(1, 1));
        if (dragging)
            QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(1, 1));

        std::vector<uint8_t> visible;
        computeBrickVisibility(BrickRanges::ofSamples(samples.data(), g.x, g.y, g.z), wanted.data(), visible);
        QCOMPARE(std::count(visible.begin(), visible.end(), 0) > 0, bricksToSkip);

        const QImage skipping = view->grabFramebuffer();
        view->setEmptySpaceSkipping(false);
        const QImage sampling = view->grabFramebuffer();
        QVERIFY2(litPixels(sampling) > 100, "the scene draws (almost) nothing");
        const int difference = largestChannelDifference(skipping, sampling);
        QVERIFY2(difference <= 2, qPrintable(QString("pixels differ by up to %1 / 255").arg(difference)));
    }
};

QTEST_MAIN(TestEmptySpaceSkipping)
#include "tst_emptyspaceskipping.moc"
