#include "BrickRanges.h"
#include "BrickVisibility.h"

#include <QTest>

#include <vector>

class TestBrickVisibility : public QObject
{
    Q_OBJECT

private slots:
    // One brick holding the values low..high; only entries opaqueFrom..opaqueTo of the table
    // have alpha (none where opaqueFrom is -1).
    void brickIsVisibleWhereItsValuesOrTheirNeighboursHaveAlpha_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("opaqueFrom");
        QTest::addColumn<int>("opaqueTo");
        QTest::addColumn<bool>("visible");
        QTest::newRow("alpha within") << 1000 << 2000 << 1500 << 1500 << true;
        QTest::newRow("alpha on the entry below") << 1000 << 2000 << 999 << 999 << true;
        QTest::newRow("alpha two below") << 1000 << 2000 << 0 << 998 << false;
        QTest::newRow("alpha on the entry above") << 1000 << 2000 << 2001 << 2001 << true;
        QTest::newRow("alpha two above") << 1000 << 2000 << 2002 << 4095 << false;
        QTest::newRow("nothing opaque") << 0 << 4095 << -1 << -1 << false;
        QTest::newRow("empty space at 0") << 0 << 0 << 1 << 1 << true;
        QTest::newRow("top of the range") << 4095 << 4095 << 4095 << 4095 << true;
    }
    void brickIsVisibleWhereItsValuesOrTheirNeighboursHaveAlpha()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, opaqueFrom);
        QFETCH(int, opaqueTo);
        const std::vector<uint16_t> samples{uint16_t(low), uint16_t(high), uint16_t(low), uint16_t(low)};
        const BrickRanges ranges = BrickRanges::ofSamples(samples.data(), 2, 2, 1);
        std::vector<uint32_t> table(4096, 0x00FFFFFFu);
        for (int v = opaqueFrom; v >= 0 && v <= opaqueTo; ++v)
            table[size_t(v)] = 0x01000000u;
        std::vector<uint8_t> bricks;
        computeBrickVisibility(ranges, table.data(), bricks);
        QCOMPARE(bricks.size(), size_t(1));
        QTEST(bricks[0] != 0, "visible");
    }
};

QTEST_MAIN(TestBrickVisibility)
#include "tst_brickvisibility.moc"
