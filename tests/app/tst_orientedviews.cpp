#include "OrientedGrid.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "ScratchWorkingDirectory.h"
#include "SliceImage.h"
#include "VolumeFiles.h"
#include "VoxelReadout.h"
#include "Window.h"
#include "WindowProbe.h"

#include <QProcess>
#include <QTest>

#include <cstring>

Q_DECLARE_METATYPE(StorageOrder)

namespace {

// The anatomy of make_oriented_series.py, in Hounsfield units: every voxel its own value,
// and 1500 HU at the patient's right front corner at the head.
constexpr std::array<int, 3> anatomySize{8, 6, 5};
const std::array<double, 3> anatomySpacing{0.75, 0.5, 2.0};

int hu(int l, int p, int s)
{
    return l == 0 && p == 0 && s == 4 ? 1500 : l + 8 * p + 48 * s - 1000;
}

uint64_t floatBits(double value)
{
    const float f = float(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

// A .nii of int16 Hounsfield units stored in the given order, placed by its sform (RAS).
QByteArray niftiStored(const StorageOrder &order)
{
    const OrientedGrid grid = storeAnatomy([](int l, int p, int s) { return uint16_t(int16_t(hu(l, p, s))); }, anatomySize,
                                           anatomySpacing, order);
    const QByteArray samples(reinterpret_cast<const char *>(grid.samples.data()), int(grid.samples.size() * 2));
    QByteArray file = VolumeFiles::nifti(grid.size.data(), SampleType::Int16, false, samples);
    const double spacing[3] = {grid.spacing.x, grid.spacing.y, grid.spacing.z};
    for (int a = 0; a < 3; ++a)
        VolumeFiles::putNumber(&file, 80 + 4 * a, floatBits(spacing[a]), 4, false);
    VolumeFiles::putNumber(&file, 254, 1, 2, false);
    // Row r of the sform: the RAS component r of each voxel axis, then of the origin.
    const double toRas[3] = {-1, -1, 1};
    for (int r = 0; r < 3; ++r) {
        for (int a = 0; a < 3; ++a)
            VolumeFiles::putNumber(&file, 280 + 16 * r + 4 * a, floatBits(toRas[r] * grid.frame.axes[a][r] * spacing[a]), 4, false);
        VolumeFiles::putNumber(&file, 280 + 16 * r + 12, floatBits(toRas[r] * grid.frame.origin[r]), 4, false);
    }
    return file;
}

bool writeDicomSeries(const QString &folder, const StorageOrder &order)
{
    QStringList arguments{MAKE_ORIENTED_SERIES_PATH, folder};
    for (int a = 0; a < 2; ++a)
        arguments << QString::number(order.patientAxis[a]) << QString::number(order.direction[a]);
    return QProcess::execute("/usr/bin/python3", arguments) == 0;
}

// The slice's samples as the views gather them, through the middle in the patient's order.
std::vector<uint16_t> middleSlice(const SliceSource &source, SliceOrientation orientation)
{
    const SlicePlane plane = slicePlaneFor(orientation, source);
    const int slice = middleVoxel(nearestAxisOrder(source.frame), source.size)[plane.sliceAxis];
    return sliceSamples(source, plane, slice).samples;
}

} // namespace

class TestOrientedViews : public QObject
{
    Q_OBJECT

private slots:
    // However a file stores the anatomy, each 2-D view shows it alike, and the readout of
    // the marked voxel gives its place in the patient and its value in Hounsfield units.
    void everyFormatAndOrderShowsTheSameAnatomy_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<StorageOrder>("order");
        // DICOM sorts the slices along the normal of the images' planes; only the planes vary.
        QTest::newRow("DICOM axial") << "dcm" << StorageOrder{{0, 1, 2}, {1, 1, 1}};
        QTest::newRow("DICOM axial mirrored") << "dcm" << StorageOrder{{0, 1, 2}, {-1, 1, -1}};
        QTest::newRow("DICOM axial turned") << "dcm" << StorageOrder{{1, 0, 2}, {-1, 1, 1}};
        QTest::newRow("DICOM coronal") << "dcm" << StorageOrder{{0, 2, 1}, {1, -1, 1}};
        QTest::newRow("DICOM sagittal") << "dcm" << StorageOrder{{1, 2, 0}, {1, -1, -1}};
        QTest::newRow("NIfTI as stored usually") << "nii" << StorageOrder{{0, 1, 2}, {-1, -1, 1}};
        QTest::newRow("NIfTI front to back reversed") << "nii" << StorageOrder{{0, 1, 2}, {-1, 1, 1}};
        QTest::newRow("NIfTI slices from the head") << "nii" << StorageOrder{{0, 1, 2}, {1, 1, -1}};
        QTest::newRow("NIfTI sagittal") << "nii" << StorageOrder{{1, 2, 0}, {-1, -1, 1}};
    }
    void everyFormatAndOrderShowsTheSameAnatomy()
    {
        QFETCH(QString, format);
        QFETCH(StorageOrder, order);
        const ScratchWorkingDirectory dir;
        QVERIFY(dir.isReady());
        QString path = dir.filePath("scan.nii");
        if (format == "dcm") {
            path = dir.filePath("series");
            QVERIFY(QDir().mkpath(path));
            QVERIFY(writeDicomSeries(path, order));
        } else {
            QVERIFY(VolumeFiles::writeFile(path, niftiStored(order)));
        }
        Window window;
        QVERIFY(WindowProbe::start(window));
        QVERIFY(WindowProbe::openVolume(window, path));
        const SliceSource &source = window.readingViews()->state()->source();
        QVERIFY(source.frame.known);
        QVERIFY(source.units.hounsfield);

        const OrientedGrid usual = storeAnatomy([](int l, int p, int s) { return uint16_t(hu(l, p, s) + 1024); }, anatomySize,
                                                anatomySpacing, StorageOrder());
        SliceSource expected{usual.samples.data(), usual.size, {1, usual.size[0], usual.size[0] * usual.size[1]},
                             usual.spacing, usual.frame, source.units, {}};
        for (SliceOrientation o : {SliceOrientation::Axial, SliceOrientation::Coronal, SliceOrientation::Sagittal}) {
            QCOMPARE(middleSlice(source, o), middleSlice(expected, o));
            QCOMPARE(planeExtent(slicePlaneFor(o, source), source), planeExtent(slicePlaneFor(o, expected), expected));
        }

        std::array<int, 3> marked{-1, -1, -1};
        for (int z = 0; z < source.size[2]; ++z)
            for (int y = 0; y < source.size[1]; ++y)
                for (int x = 0; x < source.size[0]; ++x)
                    if (source.sampleAt({x, y, z}) == 1500 + 1024)
                        marked = {x, y, z};
        QVERIFY(voxelReadout(source, marked).endsWith("position 0.0, 0.0, 8.0 mm (LPS)   1500 HU   sample 2524"));
    }
};

QTEST_MAIN(TestOrientedViews)
#include "tst_orientedviews.moc"
