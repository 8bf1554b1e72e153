#include "MeasurementGeometry.h"

#include <QTest>

#include <cmath>

// Points and spacings are both three doubles.
Q_DECLARE_METATYPE(VoxelPoint)

class TestMeasurementGeometry : public QObject
{
    Q_OBJECT

private slots:
    void distanceInMillimetres_data()
    {
        QTest::addColumn<MillimetresPerVoxel>("spacing");
        QTest::addColumn<VoxelPoint>("a");
        QTest::addColumn<VoxelPoint>("b");
        QTest::addColumn<double>("mm");
        QTest::newRow("3-4-5 on square voxels") << MillimetresPerVoxel{1, 1, 1} << VoxelPoint{1, 2, 5} << VoxelPoint{4, 6, 5} << 5.0;
        // 6 mm across and 8 mm down: what the screen shows with square millimetres.
        QTest::newRow("across thin columns and thick rows")
            << MillimetresPerVoxel{0.5, 2.0, 1} << VoxelPoint{0, 0, 3} << VoxelPoint{12, 4, 3} << 10.0;
        QTest::newRow("through thick slices on a coronal slice")
            << MillimetresPerVoxel{0.8, 0.8, 3.0} << VoxelPoint{10, 7, 2} << VoxelPoint{10, 7, 6} << 12.0;
        QTest::newRow("no length") << MillimetresPerVoxel{0.7, 0.7, 2.0} << VoxelPoint{3.5, 2.25, 1} << VoxelPoint{3.5, 2.25, 1} << 0.0;
    }
    void distanceInMillimetres()
    {
        QFETCH(MillimetresPerVoxel, spacing);
        QFETCH(VoxelPoint, a);
        QFETCH(VoxelPoint, b);
        QFETCH(double, mm);
        QVERIFY(qAbs(distanceMm(spacing, a, b) - mm) < 1e-12);
        QVERIFY(qAbs(distanceMm(spacing, b, a) - mm) < 1e-12);
    }

    // The angles are those of the patient, not of the voxel grid: on rows twice as tall as
    // the columns are wide, one column across and half a row down is 45 degrees.
    void angleInDegrees_data()
    {
        QTest::addColumn<MillimetresPerVoxel>("spacing");
        QTest::addColumn<VoxelPoint>("a");
        QTest::addColumn<VoxelPoint>("vertex");
        QTest::addColumn<VoxelPoint>("b");
        QTest::addColumn<double>("degrees");
        const MillimetresPerVoxel tall{1.0, 2.0, 1.0};
        QTest::newRow("right angle") << MillimetresPerVoxel{1, 1, 1} << VoxelPoint{5, 0, 0} << VoxelPoint{0, 0, 0}
                                     << VoxelPoint{0, 3, 0} << 90.0;
        QTest::newRow("45 degrees on tall rows") << tall << VoxelPoint{4, 2, 0} << VoxelPoint{2, 2, 0}
                                                 << VoxelPoint{3, 2.5, 0} << 45.0;
        QTest::newRow("60 degrees on tall rows")
            << tall << VoxelPoint{1, 0, 7} << VoxelPoint{0, 0, 7} << VoxelPoint{0.5, std::sqrt(3.0) / 4, 7} << 60.0;
        QTest::newRow("straight") << MillimetresPerVoxel{0.5, 0.5, 3} << VoxelPoint{0, 4, 0} << VoxelPoint{3, 4, 0}
                                  << VoxelPoint{9, 4, 0} << 180.0;
        QTest::newRow("folded back") << MillimetresPerVoxel{0.5, 0.5, 3} << VoxelPoint{6, 4, 0} << VoxelPoint{3, 4, 0}
                                     << VoxelPoint{9, 4, 0} << 0.0;
        QTest::newRow("across thick slices") << MillimetresPerVoxel{1, 1, 3} << VoxelPoint{3, 5, 0} << VoxelPoint{0, 5, 0}
                                             << VoxelPoint{0, 5, 1} << 90.0;
    }
    void angleInDegrees()
    {
        QFETCH(MillimetresPerVoxel, spacing);
        QFETCH(VoxelPoint, a);
        QFETCH(VoxelPoint, vertex);
        QFETCH(VoxelPoint, b);
        QFETCH(double, degrees);
        const std::optional<double> angle = angleDegrees(spacing, a, vertex, b);
        QVERIFY(angle.has_value());
        QVERIFY2(qAbs(*angle - degrees) < 1e-9, qPrintable(QString::number(*angle, 'g', 17)));
    }

    void angleWithoutAnArmIsNone()
    {
        const MillimetresPerVoxel spacing{1, 1, 1};
        QVERIFY(!angleDegrees(spacing, {2, 2, 0}, {2, 2, 0}, {5, 1, 0}));
        QVERIFY(!angleDegrees(spacing, {4, 1, 0}, {2, 2, 0}, {2, 2, 0}));
    }
};

QTEST_MAIN(TestMeasurementGeometry)
#include "tst_measurementgeometry.moc"
