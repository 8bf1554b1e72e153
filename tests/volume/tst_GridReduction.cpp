#include "GridReduction.h"

#include <QTest>

#include <array>
#include <limits>

using Factors = std::array<int, 3>;
using Spacing = std::array<double, 3>;
Q_DECLARE_METATYPE(Factors)
Q_DECLARE_METATYPE(Spacing)
Q_DECLARE_METATYPE(SampleGrid)

// Which coarser grid a volume is shown at when the GL cannot hold it: the side limit, the
// memory (here a budget of texels standing in for the GL's answer) and the voxel spacing
// decide the factors.
class TestGridReduction : public QObject
{
    Q_OBJECT

private slots:
    void choosesTheFinestGridThatFits_data()
    {
        QTest::addColumn<SampleGrid>("grid");
        QTest::addColumn<Spacing>("spacing");
        QTest::addColumn<int>("sideLimit");
        QTest::addColumn<qint64>("texelBudget");
        QTest::addColumn<Factors>("factors");
        const Spacing cubes{1.0, 1.0, 1.0};
        const Spacing thickSlices{0.7, 0.7, 5.0};
        const qint64 unbounded = std::numeric_limits<qint64>::max();
        QTest::newRow("fits whole") << SampleGrid{512, 512, 300} << cubes << 2048 << unbounded << Factors{1, 1, 1};
        QTest::newRow("one side over the limit") << SampleGrid{2050, 2, 2} << cubes << 2048 << unbounded
                                                 << Factors{2, 1, 1};
        QTest::newRow("whole body, cubes: slices first") << SampleGrid{512, 512, 1500} << cubes << 2048
                                                         << qint64(512) * 512 * 750 << Factors{1, 1, 2};
        QTest::newRow("whole body, cubes: then across") << SampleGrid{512, 512, 1500} << cubes << 2048
                                                        << qint64(512) * 512 * 700 << Factors{1, 2, 2};
        QTest::newRow("thick slices stay whole") << SampleGrid{512, 512, 300} << thickSlices << 2048
                                                 << qint64(256) * 256 * 300 << Factors{2, 2, 1};
        QTest::newRow("a factor of three") << SampleGrid{512, 512, 1500} << cubes << 2048
                                           << qint64(256) * 256 * 500 << Factors{2, 2, 3};
        QTest::newRow("nothing fits") << SampleGrid{4, 4, 4} << cubes << 2048 << qint64(0) << Factors{0, 0, 0};
    }
    void choosesTheFinestGridThatFits()
    {
        QFETCH(SampleGrid, grid);
        QFETCH(Spacing, spacing);
        QFETCH(int, sideLimit);
        QFETCH(qint64, texelBudget);
        QFETCH(Factors, factors);
        const GridReduction reduction = finestFittingReduction(grid, spacing, sideLimit, [&](const SampleGrid &g) {
            return g.voxelCount() <= texelBudget;
        });
        QCOMPARE(reduction.factors, factors);
        if (factors[0] > 0)
            QCOMPARE(reduction.reduced.voxelCount(), reducedGrid(grid, factors).voxelCount());
    }
};

QTEST_APPLESS_MAIN(TestGridReduction)
#include "tst_GridReduction.moc"
