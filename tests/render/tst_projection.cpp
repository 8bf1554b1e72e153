#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "ScratchWorkingDirectory.h"
#include "Volume.h"

#include <QImage>
#include <QTest>

#include <algorithm>

namespace {

// A dark cube of 32 voxels a side with one bright voxel off its centre.
constexpr int side = 32;
constexpr int brightX = 23, brightY = 11, brightZ = 9;
constexpr uint16_t dark = 100, bright = 4000;

int brightestGrey(const QImage &image)
{
    int brightest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
    return brightest;
}

int pixelsBrighterThan(const QImage &image, int grey)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) > grey ? 1 : 0;
    return count;
}

bool writeBrightVoxel(const QString &path)
{
    return writeVolumeFile(path, side, side, side,
                           [](int x, int y, int z) { return x == brightX && y == brightY && z == brightZ ? bright : dark; });
}

// Shows the view of the bright-voxel phantom, which it loads as its start volume.
bool showBrightVoxel(GLWidget &view)
{
    if (!writeBrightVoxel("lobster.dat"))
        return false;
    view.resize(200, 200);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

} // namespace

Q_DECLARE_METATYPE(CropBox)
Q_DECLARE_METATYPE(ProjectionMode)

// The 3-D view's maximum intensity projection of a volume with one bright voxel: through
// a window from black at 0 to white at the largest sample, the voxel shows as a small bright
// spot from every side, and not at all once the crop box leaves it out.
class TestProjection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }

    void brightVoxelShows_data()
    {
        QTest::addColumn<int>("turnX");
        QTest::addColumn<int>("turnZ");
        QTest::addColumn<CropBox>("crop");
        QTest::addColumn<bool>("shows");
        QTest::newRow("from the front") << 0 << 0 << fullCropBox << true;
        QTest::newRow("from above") << 90 << 0 << fullCropBox << true;
        QTest::newRow("askew") << 35 << 60 << fullCropBox << true;
        QTest::newRow("from behind, turned") << -120 << 200 << fullCropBox << true;
        QTest::newRow("crop box around it") << 35 << 60 << CropBox{0.5f, 1.0f, 0.0f, 0.5f, 0.0f, 0.5f} << true;
        QTest::newRow("cropped away along x") << 0 << 0 << CropBox{0.0f, 0.6f, 0.0f, 1.0f, 0.0f, 1.0f} << false;
        QTest::newRow("cropped away along z, askew") << 35 << 60 << CropBox{0.0f, 1.0f, 0.0f, 1.0f, 0.4f, 1.0f} << false;
    }
    void brightVoxelShows()
    {
        QFETCH(int, turnX);
        QFETCH(int, turnZ);
        QFETCH(CropBox, crop);
        QFETCH(bool, shows);
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        GLWidget view;
        QVERIFY(showBrightVoxel(view));
        QVERIFY(view.canRender());
        view.setProjectionMode(ProjectionMode::Mip);
        view.setProjectionGreys({0.0f, float(bright)});
        view.setXRotation(turnX * 16);
        view.setZRotation(turnZ * 16);
        view.setCropBox(crop);
        const QImage picture = view.grabFramebuffer();
        // The dark voxels give a grey of about 6.
        if (shows) {
            QVERIFY2(brightestGrey(picture) > 100, qPrintable(QString::number(brightestGrey(picture))));
            QVERIFY(pixelsBrighterThan(picture, 60) < 200);
        } else {
            QVERIFY2(brightestGrey(picture) < 30, qPrintable(QString::number(brightestGrey(picture))));
        }
    }

    // Each mode through its window, seen from the front: the brightest grey of the picture.
    void modesMapThroughTheWindow_data()
    {
        QTest::addColumn<ProjectionMode>("mode");
        QTest::addColumn<float>("low");
        QTest::addColumn<float>("high");
        QTest::addColumn<int>("leastBrightest");
        QTest::addColumn<int>("mostBrightest");
        QTest::newRow("MIP") << ProjectionMode::Mip << 0.0f << float(bright) << 100 << 255;
        QTest::newRow("MIP under a window above the voxel") << ProjectionMode::Mip << 4050.0f << 4095.0f << 0 << 30;
        // The dark voxels sit in the middle of the window; the bright one must not show.
        QTest::newRow("MinIP") << ProjectionMode::MinIp << 0.0f << 200.0f << 110 << 145;
        // The bright voxel raises its rays' mean above the window.
        QTest::newRow("average") << ProjectionMode::Average << 0.0f << 200.0f << 200 << 255;
    }
    void modesMapThroughTheWindow()
    {
        QFETCH(ProjectionMode, mode);
        QFETCH(float, low);
        QFETCH(float, high);
        QFETCH(int, leastBrightest);
        QFETCH(int, mostBrightest);
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        GLWidget view;
        QVERIFY(showBrightVoxel(view));
        view.setProjectionMode(mode);
        view.setProjectionGreys({low, high});
        const int brightest = brightestGrey(view.grabFramebuffer());
        QVERIFY2(leastBrightest <= brightest && brightest <= mostBrightest, qPrintable(QString::number(brightest)));
    }

    // Another volume is projected from its own samples, not from those of the one before.
    void anotherVolumeIsProjectedAnew()
    {
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        QVERIFY(writeVolumeFile("dark.dat", side, side, side, [](int, int, int) { return dark; }));
        GLWidget view;
        QVERIFY(showBrightVoxel(view));
        // The average, which reads every sample: a MIP would step over the bricks of the
        // new volume's maxima whatever samples it read.
        view.setProjectionMode(ProjectionMode::Average);
        view.setProjectionGreys({0.0f, 200.0f});
        QVERIFY(brightestGrey(view.grabFramebuffer()) > 200);
        view.makeCurrent();
        view.setVolume(new Volume("dark.dat"));
        view.doneCurrent();
        QVERIFY(brightestGrey(view.grabFramebuffer()) < 150);
    }
};

QTEST_MAIN(TestProjection)
#include "tst_projection.moc"
