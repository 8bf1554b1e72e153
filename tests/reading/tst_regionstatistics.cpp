#include "RegionStatistics.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// A phantom of 12 x 10 x 6 voxels of 0.5 x 0.8 x 3 mm whose value at each voxel is known from
// a formula, so that every region's voxels and figures can be worked out without the code
// under test.
constexpr std::array<int, 3> phantomSize{12, 10, 6};
const VoxelSpacing phantomSpacing{0.5, 0.8, 3.0, true};
// Values through the 12-bit samples: 4 samples per unit above -200.
const SampleUnits phantomUnits{4.0, 800.0, false};

double phantomValue(int x, int y, int z)
{
    return -200.0 + 7.25 * x + 31.5 * y + 113.0 * z + ((x * y) % 5) * 0.25;
}

struct Phantom
{
    Phantom() : samples(size_t(phantomSize[0] * phantomSize[1] * phantomSize[2]))
    {
        for (int z = 0; z < phantomSize[2]; ++z)
            for (int y = 0; y < phantomSize[1]; ++y)
                for (int x = 0; x < phantomSize[0]; ++x)
                    samples[size_t(x + phantomSize[0] * (y + phantomSize[1] * z))] =
                        uint16_t(std::lround(phantomValue(x, y, z) * phantomUnits.scale + phantomUnits.offset));
        source.samples = samples.data();
        source.size = phantomSize;
        source.stride = {1, phantomSize[0], int64_t(phantomSize[0]) * phantomSize[1]};
        source.spacing = phantomSpacing;
        source.units = phantomUnits;
    }
    std::vector<uint16_t> samples;
    SliceSource source;
};

Measurement regionOf(MeasurementKind kind, int sliceAxis, const VoxelPoint &a, const VoxelPoint &b)
{
    return Measurement{kind, sliceAxis, int(a[size_t(sliceAxis)]), {a, b}};
}

using Voxels = std::vector<std::array<int, 3>>;

Voxels block(int x0, int x1, int y0, int y1, int z0, int z1)
{
    Voxels voxels;
    for (int z = z0; z <= z1; ++z)
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                voxels.push_back({x, y, z});
    return voxels;
}

// The figures of a list of values, worked out the plain way.
RegionStatistics expectedOver(const Voxels &voxels, double area)
{
    RegionStatistics expected;
    expected.areaMm2 = area;
    std::vector<double> values;
    for (const auto &v : voxels)
        values.push_back(phantomValue(v[0], v[1], v[2]));
    std::sort(values.begin(), values.end());
    expected.voxels = int64_t(values.size());
    if (values.empty())
        return expected;
    double sum = 0;
    for (double value : values)
        sum += value;
    expected.mean = sum / values.size();
    double squares = 0;
    for (double value : values)
        squares += (value - expected.mean) * (value - expected.mean);
    expected.standardDeviation = values.size() > 1 ? std::sqrt(squares / (values.size() - 1)) : 0.0;
    const size_t n = values.size();
    expected.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    expected.minimum = values.front();
    expected.maximum = values.back();
    return expected;
}

} // namespace

Q_DECLARE_METATYPE(Measurement)
Q_DECLARE_METATYPE(RegionStatistics)

class TestRegionStatistics : public QObject
{
    Q_OBJECT

private slots:
    void figuresOverTheVoxelsInside_data()
    {
        QTest::addColumn<Measurement>("region");
        QTest::addColumn<RegionStatistics>("expected");
        constexpr double pi = 3.14159265358979323846;
        // From voxel centre to voxel centre: 4 x 4 voxels, a box of 3 x 3 voxel steps.
        QTest::newRow("rectangle on an axial slice")
            << regionOf(MeasurementKind::Rectangle, 2, {2, 3, 3}, {5, 6, 3})
            << expectedOver(block(2, 5, 3, 6, 3, 3), (3 * 0.5) * (3 * 0.8));
        // Drawn from its lower right to its upper left corner: the same voxels.
        QTest::newRow("rectangle drawn backwards")
            << regionOf(MeasurementKind::Rectangle, 2, {5, 6, 3}, {2, 3, 3})
            << expectedOver(block(2, 5, 3, 6, 3, 3), (3 * 0.5) * (3 * 0.8));
        // Half axes of 2 voxels along x and 1 along z (of 3 mm) about (5, 2): the centre's
        // row of five and the two above and below it.
        QTest::newRow("ellipse on a coronal slice across thick slices")
            << regionOf(MeasurementKind::Ellipse, 1, {3, 4, 1}, {7, 4, 3})
            << expectedOver({{3, 4, 2}, {4, 4, 2}, {5, 4, 2}, {6, 4, 2}, {7, 4, 2}, {5, 4, 1}, {5, 4, 3}},
                            pi * (2 * 0.5) * (1 * 3.0));
        // Edges between voxel centres take the centres inside them: y 2..3, z 1..4, an even
        // count whose median is the mean of the middle two.
        QTest::newRow("rectangle on a sagittal slice, edges between centres")
            << regionOf(MeasurementKind::Rectangle, 0, {7, 1.5, 0.5}, {7, 3.2, 4.9})
            << expectedOver(block(7, 7, 2, 3, 1, 4), (1.7 * 0.8) * (4.4 * 3.0));
        QTest::newRow("rectangle of one voxel") << regionOf(MeasurementKind::Rectangle, 2, {4, 4, 0}, {4.2, 4.3, 0})
                                                << expectedOver({{4, 4, 0}}, (0.2 * 0.5) * (0.3 * 0.8));
    }
    void figuresOverTheVoxelsInside()
    {
        QFETCH(Measurement, region);
        QFETCH(RegionStatistics, expected);
        const Phantom phantom;
        const RegionStatistics stats = regionStatistics(phantom.source, region);
        QCOMPARE(stats.voxels, expected.voxels);
        QVERIFY(stats.hasValues());
        QVERIFY(qAbs(stats.areaMm2 - expected.areaMm2) < 1e-9);
        QVERIFY(qAbs(stats.mean - expected.mean) < 1e-9);
        QVERIFY(qAbs(stats.standardDeviation - expected.standardDeviation) < 1e-9);
        QCOMPARE(stats.median, expected.median);
        QCOMPARE(stats.minimum, expected.minimum);
        QCOMPARE(stats.maximum, expected.maximum);
    }

    // A shape without area, or one that holds no voxel centre, gives no statistics and
    // divides by nothing.
    void noValuesWithoutVoxels_data()
    {
        QTest::addColumn<Measurement>("region");
        QTest::addColumn<double>("area");
        QTest::newRow("rectangle without width") << regionOf(MeasurementKind::Rectangle, 2, {3, 2, 1}, {3, 8, 1}) << 0.0;
        QTest::newRow("ellipse without height") << regionOf(MeasurementKind::Ellipse, 2, {1, 4, 1}, {9, 4, 1}) << 0.0;
        QTest::newRow("ellipse between voxel centres")
            << regionOf(MeasurementKind::Ellipse, 2, {2.6, 3.6, 1}, {2.9, 3.9, 1})
            << 3.14159265358979323846 * (0.3 * 0.5) * (0.3 * 0.8) / 4;
    }
    void noValuesWithoutVoxels()
    {
        QFETCH(Measurement, region);
        QFETCH(double, area);
        const Phantom phantom;
        const RegionStatistics stats = regionStatistics(phantom.source, region);
        QVERIFY(!stats.hasValues());
        QCOMPARE(stats.voxels, int64_t(0));
        QVERIFY(qAbs(stats.areaMm2 - area) < 1e-12);
        QVERIFY(std::isfinite(stats.mean) && std::isfinite(stats.standardDeviation));
    }
};

QTEST_MAIN(TestRegionStatistics)
#include "tst_regionstatistics.moc"
