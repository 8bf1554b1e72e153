#include "DensityHistogram.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <map>
#include <vector>

// Counting, the narrowing of the value range and the histogram picture.
class TestDensityHistogram : public QObject
{
    Q_OBJECT

private:
    using Counts = std::map<int, int>;

    static DensityHistogram histogramOf(const Counts &counts)
    {
        std::vector<uint16_t> samples;
        for (const auto &[value, count] : counts)
            samples.insert(samples.end(), std::size_t(count), uint16_t(value));
        DensityHistogram histogram;
        histogram.count(samples.data(), int64_t(samples.size()));
        return histogram;
    }

private slots:
    void narrowsRange_data()
    {
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("collapsed");
        Counts example{{100, 5}, {101, 3}};
        for (int value = 102; value <= 200; ++value)
            example[value] = 1000;
        QTest::newRow("sparse low end") << example << 102 << 200 << false;
        QTest::newRow("256 next to the end stops") << Counts{{10, 1}, {11, 256}, {12, 1000}, {13, 256}, {14, 1}}
                                                   << 10 << 14 << false;
        QTest::newRow("256 is never an end") << Counts{{10, 1}, {11, 1}, {12, 256}, {13, 1000}, {14, 1000}, {15, 256},
                                                       {16, 1}, {17, 1}}
                                             << 13 << 14 << false;
        QTest::newRow("sparse high end") << Counts{{300, 1000}, {301, 1000}, {302, 2}, {350, 1}} << 300 << 301 << false;
        QTest::newRow("crossed ends repaired") << Counts{{1, 1}, {2, 1}, {3, 300}, {4, 1}, {5, 300}, {6, 1}, {7, 1}}
                                               << 1 << 7 << false;
        QTest::newRow("nothing counted") << Counts{{0, 5000}, {4096, 300}, {65535, 300}} << 0 << 4095 << false;
        QTest::newRow("top value") << Counts{{4094, 1000}, {4095, 1000}} << 4094 << 4095 << false;
        // Ends that meet on one value (a mask, a volume of one value) widen around it.
        QTest::newRow("nothing dense") << Counts{{7, 3}} << 0 << 14 << true;
        QTest::newRow("mask") << Counts{{0, 90000}, {16, 10000}} << 0 << 32 << true;
        QTest::newRow("one value") << Counts{{2048, 5000}} << 1984 << 2112 << true;
        QTest::newRow("one value near the top") << Counts{{4080, 5000}} << 4065 << 4095 << true;
        QTest::newRow("one value at the top") << Counts{{0, 10}, {4095, 5000}} << 4031 << 4095 << true;
        QTest::newRow("one dense value among sparse ones") << Counts{{3, 2}, {500, 9000}, {900, 1}} << 436 << 564 << true;
    }
    void narrowsRange()
    {
        QFETCH(Counts, counts);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(bool, collapsed);
        const DensityHistogram histogram = histogramOf(counts);
        const DensityRange range = histogram.narrowedRange();
        QCOMPARE(range.min, min);
        QCOMPARE(range.max, max);
        QCOMPARE(range.width(), max - min + 1);
        QCOMPARE(histogram.collapsed(), collapsed);
    }

    // What the line about a collapsed range counts: 0 and values above 4095 are one value.
    void countsDistinctValues()
    {
        QCOMPARE(histogramOf({{0, 9}, {16, 5}}).distinctValues(), 2);
        QCOMPARE(histogramOf({{0, 9}, {5000, 1}, {16, 5}, {17, 1}}).distinctValues(), 3);
        QCOMPARE(histogramOf({{2048, 5}}).distinctValues(), 1);
    }

    // Lowering and counting in one pass over eight lanes at a time, then the rest one by one:
    // the lowered samples counted as 4095, zeros left out, every lane's counts merged.
    void clampsAndCountsInOnePass_data()
    {
        QTest::addColumn<QList<int>>("pattern");
        QTest::addColumn<int>("repeats");
        QTest::newRow("one value in a long run") << QList<int>{7} << 1000;
        QTest::newRow("above 4095 in every lane") << QList<int>{4096, 1, 65535, 2, 5000, 4095, 3, 4097, 9} << 40;
        QTest::newRow("above 4095 in the rest after the blocks") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 60000}
                                                                 << 1;
        QTest::newRow("fewer than eight") << QList<int>{0, 4096, 0} << 1;
        QTest::newRow("zeros only") << QList<int>{0} << 17;
    }
    void clampsAndCountsInOnePass()
    {
        QFETCH(QList<int>, pattern);
        QFETCH(int, repeats);
        std::vector<uint16_t> samples;
        for (int round = 0; round < repeats; ++round)
            for (int value : pattern)
                samples.push_back(uint16_t(value));
        std::vector<uint16_t> lowered;
        std::map<int, int> expected;
        int64_t above = 0;
        for (uint16_t sample : samples) {
            above += sample > 4095;
            lowered.push_back(sample > 4095 ? 4095 : sample);
            ++expected[lowered.back()];
        }
        DensityHistogram histogram;
        QCOMPARE(histogram.clampAndCount(samples.data(), int64_t(samples.size())), above);
        QCOMPARE(samples, lowered);
        for (int value = 1; value < DensityHistogram::valueCount; ++value)
            QCOMPARE(histogram.counter(value), expected.count(value) ? expected[value] : 0);
        QCOMPARE(histogram.counter(0), 0);
    }

    void barScaleIsAtLeastOne()
    {
        QCOMPARE(DensityHistogram::barScale(0), 1);
        QCOMPARE(DensityHistogram::barScale(49999), 1);
        QCOMPARE(DensityHistogram::barScale(100000), 2);
        QCOMPARE(DensityHistogram::barScale(int64_t(512) * 512 * 512), 2684);
    }

    void paintsBarsFromTheBottomRow()
    {
        const DensityHistogram histogram = histogramOf({{10, 130}, {11, 1}, {12, 10}, {13, 500}});
        const QImage picture = histogram.picture(DensityRange{10, 13}, 2).toImage();
        QCOMPARE(picture.size(), QSize(4, 65));
        const QRgb red = QColor(Qt::red).rgb();
        const QRgb grey = QColor(Qt::lightGray).rgb();
        QCOMPARE(picture.pixel(0, 0), red);
        QCOMPARE(picture.pixel(1, 64), grey);
        QCOMPARE(picture.pixel(2, 60), red);
        QCOMPARE(picture.pixel(2, 59), grey);
        QCOMPARE(picture.pixel(3, 0), red);
    }
};

QTEST_MAIN(TestDensityHistogram)
#include "tst_DensityHistogram.moc"
