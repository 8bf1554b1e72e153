#include "ReadingLayout.h"
#include "ReadingState.h"
#include "ScratchWorkingDirectory.h"
#include "VolumeFiles.h"
#include "VoxelReadout.h"
#include "Window.h"
#include "WindowProbe.h"

#include <QTest>

namespace {

constexpr int side = 10;

// A ramp of 1000..1999 with one voxel far below it and one far above: the robust linear
// mapping spans the ramp and clips both of them.
int storedValue(int x, int y, int z)
{
    if (x == 0 && y == 0 && z == 0)
        return 469;
    if (x == side - 1 && y == side - 1 && z == side - 1)
        return 20000;
    return 1000 + x + side * y + side * side * z;
}

QByteArray clippedScan()
{
    QVector<double> values;
    for (int z = 0; z < side; ++z)
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                values << storedValue(x, y, z);
    const int sizes[3] = {side, side, side};
    return VolumeFiles::nifti(sizes, SampleType::Int16, false, VolumeFiles::encodeSamples(values, SampleType::Int16, false));
}

} // namespace

// A volume opened through the window and the reader program: what the 2-D views, their
// readout and the status line say are the file's own values, also where the 12-bit samples
// clip them.
class TestOriginalValues : public QObject
{
    Q_OBJECT

private slots:
    void clippedValuesReadExactly_data()
    {
        QTest::addColumn<QList<int>>("voxel");
        QTest::addColumn<int>("sample");
        QTest::addColumn<QString>("readout");
        QTest::newRow("below the mapping") << QList<int>{0, 0, 0} << 0 << "value 469   sample 0";
        QTest::newRow("above the mapping") << QList<int>{9, 9, 9} << 4095 << "value 20000   sample 4095";
        QTest::newRow("within it") << QList<int>{5, 5, 5} << -1 << "value 1555   sample ";
    }
    void clippedValuesReadExactly()
    {
        QFETCH(QList<int>, voxel);
        QFETCH(int, sample);
        QFETCH(QString, readout);
        const ScratchWorkingDirectory dir;
        QVERIFY(dir.isReady());
        const QString path = dir.filePath("mri.nii");
        QVERIFY(VolumeFiles::writeFile(path, clippedScan()));
        Window window;
        QVERIFY(WindowProbe::start(window));
        QVERIFY(WindowProbe::openVolume(window, path));
        QCOMPARE(WindowProbe::status(window), path + ": 10 x 10 x 10 voxels, values 469 - 20000");

        const SliceSource &source = window.readingViews()->state()->source();
        const std::array<int, 3> at{voxel[0], voxel[1], voxel[2]};
        QCOMPARE(source.valueAt(at), double(storedValue(at[0], at[1], at[2])));
        if (sample >= 0)
            QCOMPARE(int(source.sampleAt(at)), sample);
        QVERIFY2(voxelReadout(source, at).contains(readout), qPrintable(voxelReadout(source, at)));
    }
};

QTEST_MAIN(TestOriginalValues)
#include "tst_originalvalues.moc"
