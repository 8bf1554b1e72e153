// A cropped picture is the picture of the same volume with everything outside the crop box
// made empty: the rays keep the samples inside the box where they were.
#include "ConsoleCapture.h"
#include "CropBox.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "ScratchWorkingDirectory.h"
#include "Volume.h"

#include <QImage>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int side = 48;

// Seven rippled balls of different densities, centred in the octants but the first, with
// empty space between them and along the faces: the crop planes below lie in it, where the
// reference's emptied voxels change neither a sample nor a gradient inside the box. The
// ripple makes a sample moved by part of a step change the picture; the empty octant makes
// a brick that rays skip.
uint16_t octantBalls(int x, int y, int z)
{
    const auto centre = [](int c) { return c < side / 2 ? 12 : 36; };
    const int ball = (x < side / 2 ? 0 : 1) + (y < side / 2 ? 0 : 2) + (z < side / 2 ? 0 : 4);
    if (ball == 0)
        return 0;
    const double r = std::hypot(x - centre(x), y - centre(y), z - centre(z)) / 8.0;
    const double ripple = 1.0 + 0.3 * std::sin(1.9 * x) * std::sin(1.7 * y) * std::sin(2.3 * z);
    return r < 1.0 ? uint16_t((2000 + 250 * ball) * (1.0 - r) * ripple) : 0;
}

std::vector<uint16_t> samples(const CropBox &keep)
{
    const auto inside = [&](int c, int axis) {
        const float centre = (c + 0.5f) / side;
        return centre >= keep[size_t(2 * axis)] && centre <= keep[size_t(2 * axis + 1)];
    };
    std::vector<uint16_t> values;
    for (int z = 0; z < side; ++z)
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                values.push_back(inside(x, 0) && inside(y, 1) && inside(z, 2) ? octantBalls(x, y, z) : 0);
    return values;
}

// Transparent up to 600, then opaque, with a red that cycles every 32 values: the first
// sample a ray takes on a ball decides its pixel, and a sample moved by part of a step shows.
std::vector<uint32_t> densityColours()
{
    std::vector<uint32_t> table(4096, 0u);
    for (uint32_t v = 600; v < 4096; ++v)
        table[v] = 0xFF000000u | (v * 8 % 256) << 16 | (255 - v * 8 % 256) << 8 | v / 16;
    return table;
}

int largestChannelDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

} // namespace

Q_DECLARE_METATYPE(CropBox)

class TestCropBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }

    void croppedPictureEqualsTheVolumeEmptiedOutside_data()
    {
        QTest::addColumn<CropBox>("box");
        // The box as the view keeps it.
        QTest::addColumn<CropBox>("kept");
        QTest::addColumn<bool>("dragging");
        QTest::newRow("x up to the middle") << CropBox{0, 0.5f, 0, 1, 0, 1} << CropBox{0, 0.5f, 0, 1, 0, 1} << false;
        QTest::newRow("y up to the middle") << CropBox{0, 1, 0, 0.45f, 0, 1} << CropBox{0, 1, 0, 0.45f, 0, 1} << false;
        QTest::newRow("z up to the middle, dragging")
            << CropBox{0, 1, 0, 1, 0, 0.45f} << CropBox{0, 1, 0, 1, 0, 0.45f} << true;
        QTest::newRow("one octant, every side cut")
            << CropBox{0.05f, 0.45f, 0.55f, 0.95f, 0.5f, 0.95f} << CropBox{0.05f, 0.45f, 0.55f, 0.95f, 0.5f, 0.95f} << false;
        QTest::newRow("bounds high to low and beyond the faces")
            << CropBox{1.5f, 0.5f, 0.45f, -1, 1, 0} << CropBox{0.5f, 1, 0, 0.45f, 0, 1} << false;
    }
    void croppedPictureEqualsTheVolumeEmptiedOutside()
    {
        QFETCH(CropBox, box);
        QFETCH(CropBox, kept);
        QFETCH(bool, dragging);
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        QVERIFY(writeVolumeFile("lobster.dat", side, side, side, octantBalls));
        const std::vector<uint32_t> table = densityColours();
        ConsoleCapture console;
        GLWidget view;
        view.setTransferTable(table.data());
        view.resize(128, 128);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.canRender());
        view.setColors();
        view.setXRotation(500);
        view.setZRotation(700);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(1, 1));
        if (dragging)
            QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(1, 1));

        const QImage whole = view.grabFramebuffer();
        view.setCropBox(box);
        QCOMPARE(view.cropBox(), kept);
        const QImage cropped = view.grabFramebuffer();
        view.resetCropBox();
        view.makeCurrent();
        VolumeDescription description;
        description.sizeX = description.sizeY = description.sizeZ = side;
        description.samples = SampleBuffer(samples(kept));
        view.setVolume(new Volume(description));
        view.doneCurrent();
        const QImage reference = view.grabFramebuffer();

        QVERIFY2(largestChannelDifference(whole, reference) > 64, "the box cuts nothing away");
        const int difference = largestChannelDifference(cropped, reference);
        QVERIFY2(difference <= 2, qPrintable(QString("pixels differ by up to %1 / 255").arg(difference)));
    }
};

QTEST_MAIN(TestCropBox)
#include "tst_cropbox.moc"
