#include "GridSource.h"
#include "OrientedGrid.h"
#include "SliceImage.h"
#include "SlicePlane.h"

#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(StorageOrder)
Q_DECLARE_METATYPE(std::vector<double>)

namespace {

// Every voxel of the anatomy has its own sample, a multiple of 16 below 2048, so a slice
// shows which voxels it holds and where.
constexpr std::array<int, 3> anatomySize{6, 5, 4};
const std::array<double, 3> anatomySpacing{0.5, 0.7, 2.0};

int anatomyId(int l, int p, int s)
{
    return l + anatomySize[0] * (p + anatomySize[1] * s);
}

uint16_t anatomySample(int l, int p, int s)
{
    return uint16_t(16 * anatomyId(l, p, s));
}

GreyTable idTable()
{
    GreyTable table;
    for (int s = 0; s < transferTableSize; ++s)
        table[s] = uint8_t(s / 16);
    return table;
}

// The frame turned about the feet-to-head axis.
void tilt(PatientFrame &frame, double degrees)
{
    const double r = degrees * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
    for (auto &axis : frame.axes)
        axis = {c * axis[0] - s * axis[1], s * axis[0] + c * axis[1], axis[2]};
}

int idAt(const QImage &image, int column, int row)
{
    return qGray(image.pixel(column, row));
}

struct ViewExpectation
{
    SliceOrientation orientation;
    const char *letters;
    // Anatomy ids in the slice through the middle, at the top-left and bottom-right cells.
    int topLeft, bottomRight;
    // Millimetres across and down.
    QSizeF extent;
};

// The convention: axial from the feet (right on the left, front up), coronal from the front
// (right on the left, head up), sagittal from the patient's left (front on the left, head
// up). The middle is index 3 of 6 from the right, 2 of 5 from the front, 2 of 4 from the feet.
const ViewExpectation expectations[] = {
    {SliceOrientation::Axial, "RLAP", anatomyId(0, 0, 2), anatomyId(5, 4, 2), QSizeF(3.0, 3.5)},
    {SliceOrientation::Coronal, "RLSI", anatomyId(0, 2, 3), anatomyId(5, 2, 0), QSizeF(3.0, 8.0)},
    {SliceOrientation::Sagittal, "APSI", anatomyId(3, 0, 3), anatomyId(3, 4, 0), QSizeF(3.5, 8.0)},
};

} // namespace

class TestSliceOrientation : public QObject
{
    Q_OBJECT

private slots:
    void everyStorageOrderShowsTheSameAnatomy_data()
    {
        QTest::addColumn<StorageOrder>("order");
        QTest::addColumn<double>("tiltDegrees");
        QTest::newRow("usual") << StorageOrder{{0, 1, 2}, {1, 1, 1}} << 0.0;
        QTest::newRow("mirrored left-right") << StorageOrder{{0, 1, 2}, {-1, 1, 1}} << 0.0;
        QTest::newRow("slices reversed") << StorageOrder{{0, 1, 2}, {1, 1, -1}} << 0.0;
        QTest::newRow("quarter turn in plane") << StorageOrder{{1, 0, 2}, {1, -1, 1}} << 0.0;
        QTest::newRow("coronal acquisition") << StorageOrder{{0, 2, 1}, {1, -1, 1}} << 0.0;
        QTest::newRow("sagittal acquisition") << StorageOrder{{1, 2, 0}, {1, -1, -1}} << 0.0;
        QTest::newRow("everything reversed") << StorageOrder{{2, 0, 1}, {-1, -1, -1}} << 0.0;
        QTest::newRow("slightly oblique") << StorageOrder{{0, 1, 2}, {1, 1, 1}} << 2.5;
        QTest::newRow("oblique and turned") << StorageOrder{{1, 0, 2}, {-1, 1, -1}} << -20.0;
    }
    void everyStorageOrderShowsTheSameAnatomy()
    {
        QFETCH(StorageOrder, order);
        QFETCH(double, tiltDegrees);
        OrientedGrid grid = storeAnatomy(anatomySample, anatomySize, anatomySpacing, order);
        tilt(grid.frame, tiltDegrees);
        const SliceSource source = sourceOf(grid);
        const std::array<int, 3> middle = middleVoxel(nearestAxisOrder(source.frame), source.size);
        for (const ViewExpectation &expected : expectations) {
            const SlicePlane plane = slicePlaneFor(expected.orientation, source);
            const QImage image = sliceImage(source, plane, middle[plane.sliceAxis], idTable());
            QCOMPARE(QByteArray(plane.edgeLetters.data(), 4), QByteArray(expected.letters));
            QCOMPARE(idAt(image, 0, 0), expected.topLeft);
            QCOMPARE(idAt(image, image.width() - 1, image.height() - 1), expected.bottomRight);
            // Each screen axis runs along the patient axis of the convention, whole.
            const int columnStep = idAt(image, 1, 0) - idAt(image, 0, 0);
            const int rowStep = idAt(image, 0, 1) - idAt(image, 0, 0);
            for (int row = 0; row < image.height(); ++row)
                for (int column = 0; column < image.width(); ++column)
                    QCOMPARE(idAt(image, column, row), expected.topLeft + column * columnStep + row * rowStep);
            // Square millimetres: the plane's extent is that of the anatomy, however stored.
            QCOMPARE(planeExtent(plane, source), expected.extent);
        }
    }

    void unknownOrientationKeepsTheStoredOrderWithoutLetters()
    {
        OrientedGrid grid = storeAnatomy(anatomySample, anatomySize, anatomySpacing, {{1, 2, 0}, {-1, 1, 1}});
        grid.frame.known = false;
        const SliceSource source = sourceOf(grid);
        const SlicePlane axial = slicePlaneFor(SliceOrientation::Axial, source);
        QCOMPARE(axial.edgeLetters[0], '\0');
        const QImage image = sliceImage(source, axial, 0, idTable());
        // Voxel x to the right, y downwards, as the grid is stored.
        QCOMPARE(idAt(image, 1, 0), int(grid.samples[1] / 16));
        QCOMPARE(idAt(image, 0, 1), int(grid.samples[size_t(grid.size[0])] / 16));
    }

    void cropBoxFollowsThePatientAxes_data()
    {
        QTest::addColumn<StorageOrder>("order");
        QTest::addColumn<std::vector<double>>("voxelCrop");
        // Patient crop: right-left 0.1..0.3, front-back 0.2..0.6, feet-head 0.5..1.
        QTest::newRow("usual") << StorageOrder{{0, 1, 2}, {1, 1, 1}} << std::vector<double>{0.1, 0.3, 0.2, 0.6, 0.5, 1.0};
        QTest::newRow("mirrored left-right")
            << StorageOrder{{0, 1, 2}, {-1, 1, 1}} << std::vector<double>{0.7, 0.9, 0.2, 0.6, 0.5, 1.0};
        QTest::newRow("sagittal acquisition")
            << StorageOrder{{1, 2, 0}, {1, -1, -1}} << std::vector<double>{0.2, 0.6, 0.0, 0.5, 0.7, 0.9};
    }
    void cropBoxFollowsThePatientAxes()
    {
        QFETCH(StorageOrder, order);
        QFETCH(std::vector<double>, voxelCrop);
        const OrientedGrid grid = storeAnatomy(anatomySample, anatomySize, anatomySpacing, order);
        const std::array<double, 6> crop = voxelCropBox({0.1, 0.3, 0.2, 0.6, 0.5, 1.0}, nearestAxisOrder(grid.frame));
        for (int i = 0; i < 6; ++i)
            QVERIFY2(std::fabs(crop[i] - voxelCrop[i]) < 1e-12, qPrintable(QString("bound %1: %2").arg(i).arg(crop[i])));
    }

    void degenerateFrameIsShownInStoredOrder()
    {
        PatientFrame frame;
        frame.known = true;
        frame.axes[1] = {0, 0, 0};
        QVERIFY(nearestAxisOrder(frame) == AxisOrder());
        frame.axes[1] = {1, 0, 0};
        QVERIFY(nearestAxisOrder(frame) == AxisOrder());
    }
};

QTEST_MAIN(TestSliceOrientation)
#include "tst_sliceorientation.moc"
