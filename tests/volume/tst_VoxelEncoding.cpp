#include "VoxelEncoding.h"

#include <QRandomGenerator>
#include <QTest>

#include <QList>

#include <vector>

// The gradient pass against a plain per-voxel reading of its definition, on grids wide enough
// for the vectorised interior and with samples above 12 bits.
class TestVoxelEncoding : public QObject
{
    Q_OBJECT

private:
    static int referenceGradient(const std::vector<uint16_t> &samples, const SampleGrid &grid, int x, int y, int z,
                                 int axis)
    {
        const int size[3] = {grid.sizeX, grid.sizeY, grid.sizeZ};
        int plus[3] = {x, y, z};
        int minus[3] = {x, y, z};
        const int at = plus[axis];
        if (size[axis] == 1)
            return 0;
        int divisor = 4;
        if (at == 0) {
            plus[axis] = 1;
            divisor = 2;
        } else if (at == size[axis] - 1) {
            minus[axis] = at - 1;
            divisor = 2;
        } else {
            ++plus[axis];
            --minus[axis];
        }
        const auto sample = [&](const int *p) { return int(samples[p[2] * grid.sliceSize() + p[1] * grid.sizeX + p[0]]); };
        return (sample(plus) - sample(minus)) / divisor;
    }

    static std::vector<uint16_t> encode(const std::vector<uint16_t> &samples, const SampleGrid &grid, int threads = 1)
    {
        std::vector<uint16_t> voxels(4 * samples.size());
        encodeVoxels(samples.data(), grid, voxels.data(), threads);
        return voxels;
    }

private slots:
    void encodesGradientsAndSamples_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("gradient");
        QTest::addColumn<int>("sample");
        QTest::newRow("zero") << 0 << 32768 << 0;
        QTest::newRow("50") << 50 << 33168 << 800;
        QTest::newRow("-1") << -1 << 32760 << 16;
        QTest::newRow("4095") << 4095 << 65528 << 65520;
        QTest::newRow("4096 wraps") << 4096 << 0 << 0;
        QTest::newRow("-4096") << -4096 << 0 << 0;
    }
    void encodesGradientsAndSamples()
    {
        QFETCH(int, value);
        QFETCH(int, gradient);
        QFETCH(int, sample);
        QCOMPARE(int(encodeGradient(value)), gradient);
        if (value >= 0)
            QCOMPARE(int(encodeSample(uint16_t(value))), sample);
    }

    void rampAlongXHasEqualBorderAndInteriorGradients()
    {
        const SampleGrid grid{4, 4, 4};
        std::vector<uint16_t> samples(64);
        for (int i = 0; i < 64; ++i)
            samples[i] = uint16_t(i % 4 * 100);
        const std::vector<uint16_t> voxels = encode(samples, grid);
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(voxels[4 * i], uint16_t(33168));
            QCOMPARE(voxels[4 * i + 1], uint16_t(32768));
            QCOMPARE(voxels[4 * i + 2], uint16_t(32768));
            QCOMPARE(voxels[4 * i + 3], uint16_t(samples[i] * 16));
        }
    }

    void divisionTruncatesTowardZero()
    {
        // Row 3, 5, 0, 0: x=0 (5-3)/2 = 1, x=1 (0-3)/4 = 0, x=2 (0-5)/4 = -1, x=3 0/2 = 0;
        // row 3, 0, 3, 0: (0-3)/2 = -1 at both ends.
        const SampleGrid grid{4, 2, 1};
        const std::vector<uint16_t> voxels = encode({3, 5, 0, 0, 3, 0, 3, 0}, grid);
        const uint16_t expected[] = {32776, 32768, 32760, 32768};
        for (int x = 0; x < 4; ++x)
            QCOMPARE(voxels[4 * x], expected[x]);
        QCOMPARE(voxels[4 * 4], uint16_t(32760));
        QCOMPARE(voxels[4 * 7], uint16_t(32760));
    }

    void fewSlicesUseOneSidedOrNoZDifference()
    {
        const SampleGrid twoSlices{2, 2, 2};
        const std::vector<uint16_t> voxels = encode({10, 20, 30, 40, 14, 10, 30, 60}, twoSlices);
        const uint16_t expected[] = {encodeGradient(2), encodeGradient(-5), encodeGradient(0), encodeGradient(10)};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(voxels[4 * i + 2], expected[i]);
            QCOMPARE(voxels[4 * (i + 4) + 2], expected[i]);
        }
        const std::vector<uint16_t> flat = encode({10, 20, 30, 40}, SampleGrid{2, 2, 1});
        for (int i = 0; i < 4; ++i)
            QCOMPARE(flat[4 * i + 2], uint16_t(32768));
    }

    // Each kernel forced, on rows long enough for its blocks and their remainders: 12-bit
    // samples (16-bit lanes), and samples at the ends of 16 bits, whose differences need
    // the 32-bit lanes, mixed in the same rows.
    void vectorBlocksMatchThePlainDefinition_data()
    {
        QTest::addColumn<int>("kernel");
        QTest::addColumn<QList<int>>("values");
        const QList<int> edges{0, 1, 4095, 32767, 32768, 65535};
        const std::pair<const char *, EncodingKernel> kernels[] = {
            {"plain", EncodingKernel::plain}, {"SSE2", EncodingKernel::sse2}, {"AVX2", EncodingKernel::avx2}};
        for (const auto &[name, kernel] : kernels) {
            QTest::addRow("%s, 12-bit", name) << int(kernel) << QList<int>{};
            QTest::addRow("%s, ends of 16 bits", name) << int(kernel) << edges;
        }
    }
    void vectorBlocksMatchThePlainDefinition()
    {
        QFETCH(int, kernel);
        QFETCH(QList<int>, values);
        if (!processorRuns(EncodingKernel(kernel)))
            QSKIP("the processor lacks this kernel's instructions");
        QRandomGenerator random(11);
        for (int round = 0; round < 30; ++round) {
            const SampleGrid grid{random.bounded(2, 80), random.bounded(1, 5), random.bounded(1, 5)};
            std::vector<uint16_t> samples(std::size_t(grid.voxelCount()));
            for (uint16_t &sample : samples)
                sample = uint16_t(values.isEmpty() ? random.bounded(4096) : values[random.bounded(values.size())]);
            std::vector<uint16_t> voxels(4 * samples.size());
            encodeVoxelSlab(samples.data(), grid, 0, grid.sizeZ, voxels.data(), 1, EncodingKernel(kernel));
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const int x = int(i % grid.sizeX), y = int(i / grid.sizeX % grid.sizeY), z = int(i / grid.sliceSize());
                for (int axis = 0; axis < 3; ++axis)
                    QCOMPARE(voxels[4 * i + axis], uint16_t(referenceGradient(samples, grid, x, y, z, axis) * 8 + 32768));
                QCOMPARE(voxels[4 * i + 3], uint16_t(samples[i] * 16));
            }
        }
    }

    void matchesDefinitionOnRandomGridsForAnyThreadCount()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 40; ++round) {
            const SampleGrid grid{2 * random.bounded(1, 24), 2 * random.bounded(1, 4), random.bounded(1, 6)};
            std::vector<uint16_t> samples(std::size_t(grid.voxelCount()));
            for (uint16_t &sample : samples)
                sample = uint16_t(random.bounded(3) == 0 ? random.bounded(65536) : random.bounded(4096));
            const std::vector<uint16_t> voxels = encode(samples, grid, 1);
            QCOMPARE(encode(samples, grid, 3), voxels);
            for (int z = 0; z < grid.sizeZ; ++z)
                for (int y = 0; y < grid.sizeY; ++y)
                    for (int x = 0; x < grid.sizeX; ++x) {
                        const std::size_t i = std::size_t(z * grid.sliceSize() + y * grid.sizeX + x);
                        for (int axis = 0; axis < 3; ++axis)
                            QCOMPARE(voxels[4 * i + axis],
                                     encodeGradient(referenceGradient(samples, grid, x, y, z, axis)));
                        QCOMPARE(voxels[4 * i + 3], encodeSample(samples[i]));
                    }
        }
    }
};

QTEST_APPLESS_MAIN(TestVoxelEncoding)
#include "tst_VoxelEncoding.moc"
