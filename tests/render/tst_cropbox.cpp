// A cropped picture is the picture of the same volume with everything outside the crop box
// made empty: the rays keep the samples inside the box where they were.
#include "ConsoleCapture.h"
#include "CropBox.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "PictureDifference.h"
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

// The brightest channel within the rectangle.
int brightest(const QImage &picture, const QRect &area)
{
    int largest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = picture.pixel(x, y);
            largest = std::max({largest, qRed(p), qGreen(p), qBlue(p)});
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
        GLWidget view;
        view.setTransferTable(table.data());
        view.resize(128, 128);
        {
            const ConsoleCapture console;
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
        }
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
        VolumeDescription description;
        description.sizeX = description.sizeY = description.sizeZ = side;
        description.samples = SampleBuffer(samples(kept));
        view.makeCurrent();
        {
            const ConsoleCapture console;
            view.setVolume(new Volume(description));
        }
        view.doneCurrent();
        const QImage reference = view.grabFramebuffer();

        QVERIFY2(largestChannelDifference(whole, reference) > 64, "the box cuts nothing away");
        const int difference = largestChannelDifference(cropped, reference);
        QVERIFY2(difference <= 2, qPrintable(QString("pixels differ by up to %1 / 255").arg(difference)));
    }

    // The rays of the start view run along the crop planes of x: those that pass outside
    // the box cross its planes only by the rounding of their exit points, at every window
    // size, at rest and in a drag's reduced frame. The half cut away stays black, however
    // dense the volume there.
    void cutAwayPartStaysEmpty_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("zTurn");
        QTest::addColumn<bool>("dragging");
        for (const QSize size : {QSize(127, 127), QSize(128, 128), QSize(500, 500), QSize(501, 373), QSize(512, 512)})
            for (const bool dragging : {false, true}) {
                const QString name = QString("%1 x %2").arg(size.width()).arg(size.height());
                QTest::newRow(qPrintable(name + (dragging ? ", dragging" : ", at rest"))) << size << 0 << dragging;
            }
        QTest::newRow("500 x 500, turned a quarter") << QSize(500, 500) << 90 * 16 << false;
        QTest::newRow("501 x 373, turned a quarter, dragging") << QSize(501, 373) << 90 * 16 << true;
    }
    void cutAwayPartStaysEmpty()
    {
        QFETCH(QSize, size);
        QFETCH(int, zTurn);
        QFETCH(bool, dragging);
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        QVERIFY(writeVolumeFile("lobster.dat", side, side, side, [](int, int, int) { return uint16_t(3000); }));
        std::vector<uint32_t> table(4096, 0u);
        std::fill(table.begin() + 1000, table.end(), 0xFFFFFFFFu);
        GLWidget view;
        view.setTransferTable(table.data());
        view.resize(size);
        {
            // The loader's lines; a failure's message must not go with them.
            const ConsoleCapture console;
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
        }
        QVERIFY(view.canRender());
        view.setColors();
        view.setZRotation(zTurn);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(1, 1));
        if (dragging)
            QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(1, 1));
        view.setCropBox({0.5f, 1, 0, 1, 0, 1});
        const QImage picture = view.grabFramebuffer();

        // The plane x = 0.5 runs through the middle of the picture: upright at the start,
        // level after a quarter turn about z, which brings x downwards. A drag's picture is
        // stretched from half the pixels and blurs a pixel or two across it.
        const int margin = 3;
        const QRect cutAway = zTurn == 0 ? QRect(0, 0, picture.width() / 2 - margin, picture.height())
                                         : QRect(0, 0, picture.width(), picture.height() / 2 - margin);
        const QRect kept = zTurn == 0 ? QRect(picture.width() / 2 + margin, 0, 20, picture.height())
                                      : QRect(0, picture.height() / 2 + margin, picture.width(), 20);
        QVERIFY2(brightest(picture, kept) > 200, "the kept half shows nothing");
        const int leak = brightest(picture, cutAway);
        QVERIFY2(leak == 0, qPrintable(QString("the cut-away half shows up to %1 / 255").arg(leak)));
    }
};

QTEST_MAIN(TestCropBox)
#include "tst_cropbox.moc"
