#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "ScratchWorkingDirectory.h"

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

} // namespace

Q_DECLARE_METATYPE(CropBox)

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
        QVERIFY(writeVolumeFile("lobster.dat", side, side, side, [](int x, int y, int z) {
            return x == brightX && y == brightY && z == brightZ ? bright : dark;
        }));
        GLWidget view;
        view.resize(200, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
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
};

QTEST_MAIN(TestProjection)
#include "tst_projection.moc"
