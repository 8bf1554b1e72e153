#include "ThickSlab.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

Q_DECLARE_METATYPE(SliceOrientation)
Q_DECLARE_METATYPE(SlabMode)

namespace {

using GridSize = std::array<int, 3>;

// A grid without orientation whose samples follow no pattern a wrong walk could meet by
// chance, 1 x 1 x 2 mm.
struct Phantom
{
    explicit Phantom(const std::array<int, 3> &size) : samples(size_t(size[0]) * size[1] * size[2])
    {
        uint32_t state = 12345;
        for (uint16_t &sample : samples) {
            state = state * 1103515245u + 12345u;
            sample = uint16_t((state >> 16) % 4096);
        }
        source.samples = samples.data();
        source.size = size;
        source.stride = {1, size[0], int64_t(size[0]) * size[1]};
        source.spacing = {1.0, 1.0, 2.0, true};
    }
    std::vector<uint16_t> samples;
    SliceSource source;
};

// The projection by hand: every cell folds the slices first to last one voxel at a time.
std::vector<uint16_t> projectedByHand(const SliceSource &source, const SlicePlane &plane, int first, int last,
                                      SlabMode mode)
{
    const QSize cells = planeCells(plane, source.size);
    std::vector<uint16_t> projected;
    for (int row = 0; row < cells.height(); ++row) {
        for (int column = 0; column < cells.width(); ++column) {
            std::vector<uint16_t> along;
            for (int k = first; k <= last; ++k)
                along.push_back(source.sampleAt(voxelOfCell(plane, QPoint(column, row), k, source.size)));
            double sum = 0;
            for (uint16_t s : along)
                sum += s;
            projected.push_back(mode == SlabMode::Mip     ? *std::max_element(along.begin(), along.end())
                                : mode == SlabMode::MinIp ? *std::min_element(along.begin(), along.end())
                                                          : uint16_t(std::lround(sum / double(along.size()))));
        }
    }
    return projected;
}

} // namespace

class TestThickSlab : public QObject
{
    Q_OBJECT

private slots:
    void matchesProjectionByHand_data()
    {
        QTest::addColumn<GridSize>("size");
        QTest::addColumn<SliceOrientation>("orientation");
        QTest::addColumn<int>("centre");
        QTest::addColumn<double>("thickness");
        QTest::addColumn<SlabMode>("mode");
        // The slices the slab must cover.
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        const GridSize small{7, 6, 5};
        using O = SliceOrientation;
        QTest::newRow("axial MIP") << small << O::Axial << 2 << 6.0 << SlabMode::Mip << 1 << 3;
        QTest::newRow("axial MinIP at the edge") << small << O::Axial << 0 << 10.0 << SlabMode::MinIp << 0 << 2;
        QTest::newRow("axial mean thicker than the volume") << small << O::Axial << 2 << 100.0 << SlabMode::Mean << 0 << 4;
        QTest::newRow("coronal MIP at the far edge") << small << O::Coronal << 5 << 5.0 << SlabMode::Mip << 3 << 5;
        QTest::newRow("coronal even count to odd") << small << O::Coronal << 2 << 2.4 << SlabMode::Mean << 1 << 3;
        QTest::newRow("sagittal mean") << small << O::Sagittal << 3 << 3.0 << SlabMode::Mean << 2 << 4;
        QTest::newRow("sagittal MinIP at the edge") << small << O::Sagittal << 6 << 4.4 << SlabMode::MinIp << 4 << 6;
        QTest::newRow("below one slice") << small << O::Axial << 3 << 1.5 << SlabMode::Mip << 3 << 3;
        const GridSize big{200, 140, 60};
        QTest::newRow("axial split between threads") << big << O::Axial << 30 << 120.0 << SlabMode::Mean << 0 << 59;
        QTest::newRow("sagittal split between threads") << big << O::Sagittal << 100 << 161.0 << SlabMode::Mip << 20 << 180;
    }
    void matchesProjectionByHand()
    {
        QFETCH(GridSize, size);
        QFETCH(SliceOrientation, orientation);
        QFETCH(int, centre);
        QFETCH(double, thickness);
        QFETCH(SlabMode, mode);
        QFETCH(int, first);
        QFETCH(int, last);
        const Phantom phantom(size);
        const SlicePlane plane = slicePlaneFor(orientation, phantom.source);
        const SlabRange range = slabRange(phantom.source, plane, centre, thickness);
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
        const SliceSamples slab = slabSamples(phantom.source, plane, centre, {thickness, mode});
        QCOMPARE(slab.cells, planeCells(plane, size));
        QVERIFY(slab.samples == projectedByHand(phantom.source, plane, first, last, mode));
    }
};

QTEST_GUILESS_MAIN(TestThickSlab)
#include "tst_thickslab.moc"
