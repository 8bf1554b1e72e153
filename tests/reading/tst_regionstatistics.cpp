#include "RegionStatistics.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A CT phantom of 12 x 10 x 6 voxels of 0.5 x 0.8 x 3 mm whose value at each voxel is known
// from a formula, so that every region's voxels and figures can be worked out without the
// code under test. Its values run from -3000 to 6800 HU, far past both ends of the 12-bit
// samples' -1024..3071: the figures must be those of the file's own values.
constexpr std::array<int, 3> phantomSize{12, 10, 6};
const VoxelSpacing phantomSpacing{0.5, 0.8, 3.0, true};
const SampleUnits ctUnits{1.0, 1024.0, true};

int phantomValue(int x, int y, int z)
{
    return -3000 + 97 * x + 311 * y + 1187 * z + (x * y) % 5;
}

struct Phantom
{
    Phantom()
    {
        const size_t count = size_t(phantomSize[0] * phantomSize[1] * phantomSize[2]);
        std::shared_ptr<unsigned char> values(new unsigned char[count * sizeof(int16_t)], std::default_delete<unsigned char[]>());
        samples.resize(count);
        size_t i = 0;
        for (int z = 0; z < phantomSize[2]; ++z)
            for (int y = 0; y < phantomSize[1]; ++y)
                for (int x = 0; x < phantomSize[0]; ++x, ++i) {
                    const int16_t value = int16_t(phantomValue(x, y, z));
                    std::memcpy(values.get() + i * sizeof value, &value, sizeof value);
                    samples[i] = uint16_t(std::clamp(value + 1024, 0, 4095));
                }
        source.samples = samples.data();
        source.size = phantomSize;
        source.stride = {1, phantomSize[0], int64_t(phantomSize[0]) * phantomSize[1]};
        source.spacing = phantomSpacing;
        source.units = ctUnits;
        source.values = OriginalValues(values, SampleType::Int16, count);
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
        // -3000 HU and up: every sample there is 0.
        QTest::newRow("ellipse below the samples' range")
            << regionOf(MeasurementKind::Ellipse, 2, {0, 0, 0}, {4, 2, 0})
            << expectedOver({{2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 1, 0}, {4, 1, 0}, {2, 2, 0}},
                            pi * (2 * 0.5) * (1 * 0.8));
        // 3000 to 6800 HU: the samples clip at 4095 from 3071 HU up.
        QTest::newRow("rectangle above the samples' range")
            << regionOf(MeasurementKind::Rectangle, 2, {6, 5, 5}, {11, 9, 5})
            << expectedOver(block(6, 11, 5, 9, 5, 5), (5 * 0.5) * (4 * 0.8));
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
