#include "BrickRanges.h"

#include <QTest>

#include <algorithm>
#include <vector>

namespace {

// Samples that differ from voxel to voxel in every direction, so any voxel a brick
// misses or takes in wrongly shows in its range.
std::vector<uint16_t> scrambledSamples(int sx, int sy, int sz)
{
    std::vector<uint16_t> samples(size_t(sx) * sy * sz);
    uint32_t state = 12345;
    for (uint16_t &s : samples) {
        state = state * 1664525u + 1013904223u;
        s = uint16_t(state >> 20);
    }
    return samples;
}

// The range of brick (i, j, k) by its definition: every voxel within one of the brick.
std::pair<uint16_t, uint16_t> bruteRange(const std::vector<uint16_t> &samples, int sx, int sy, int sz, int i, int j,
                                         int k)
{
    const int b = BrickRanges::brickSize;
    uint16_t low = UINT16_MAX, high = 0;
    for (int z = std::max(0, k * b - 1); z <= std::min(sz - 1, (k + 1) * b); ++z)
        for (int y = std::max(0, j * b - 1); y <= std::min(sy - 1, (j + 1) * b); ++y)
            for (int x = std::max(0, i * b - 1); x <= std::min(sx - 1, (i + 1) * b); ++x) {
                const uint16_t s = samples[(size_t(z) * sy + y) * sx + x];
                low = std::min(low, s);
                high = std::max(high, s);
            }
    return {low, high};
}

} // namespace

class TestBrickRanges : public QObject
{
    Q_OBJECT

private slots:
    void rangesReachOneVoxelBeyondEachBrick_data()
    {
        QTest::addColumn<int>("sx");
        QTest::addColumn<int>("sy");
        QTest::addColumn<int>("sz");
        QTest::addColumn<int>("slab");
        QTest::newRow("whole bricks, whole array") << 32 << 48 << 32 << 32;
        QTest::newRow("partial bricks, whole array") << 34 << 17 << 33 << 33;
        QTest::newRow("slabs of one slice") << 34 << 20 << 35 << 1;
        QTest::newRow("slabs across brick borders") << 18 << 40 << 37 << 7;
        QTest::newRow("smaller than a brick") << 5 << 3 << 2 << 1;
    }
    void rangesReachOneVoxelBeyondEachBrick()
    {
        QFETCH(int, sx);
        QFETCH(int, sy);
        QFETCH(int, sz);
        QFETCH(int, slab);
        const std::vector<uint16_t> samples = scrambledSamples(sx, sy, sz);
        BrickRanges ranges(sx, sy, sz);
        // Slabs out of order: the last one first.
        const int lastSlab = (sz - 1) / slab * slab;
        ranges.addSlab(samples.data() + size_t(lastSlab) * sx * sy, lastSlab, sz - lastSlab);
        for (int z = 0; z < lastSlab; z += slab)
            ranges.addSlab(samples.data() + size_t(z) * sx * sy, z, slab);

        const int b = BrickRanges::brickSize;
        const std::array<int, 3> counts{(sx + b - 1) / b, (sy + b - 1) / b, (sz + b - 1) / b};
        QCOMPARE(ranges.brickCounts(), counts);
        const BrickRanges whole = BrickRanges::ofSamples(samples.data(), sx, sy, sz);
        for (int k = 0; k < counts[2]; ++k)
            for (int j = 0; j < counts[1]; ++j)
                for (int i = 0; i < counts[0]; ++i) {
                    const int brick = i + counts[0] * (j + counts[1] * k);
                    const auto expected = bruteRange(samples, sx, sy, sz, i, j, k);
                    QCOMPARE(ranges.minimum(brick), expected.first);
                    QCOMPARE(ranges.maximum(brick), expected.second);
                    QCOMPARE(whole.minimum(brick), expected.first);
                    QCOMPARE(whole.maximum(brick), expected.second);
                }
    }
};

QTEST_MAIN(TestBrickRanges)
#include "tst_BrickRanges.moc"
