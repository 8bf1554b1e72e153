#include "WindowLevel.h"

#include <QTest>

#include <vector>

namespace {

const SampleUnits ctUnits{1.0, 1024.0, true};
// An MRI whose values 0..1000 were spread over the 12 bits.
const SampleUnits mriUnits{4.095, 0.0, false};

SliceSource sourceOver(const std::vector<uint16_t> &samples, const SampleUnits &units)
{
    SliceSource source;
    source.samples = samples.data();
    source.size = {int(samples.size()), 1, 1};
    source.stride = {1, int64_t(samples.size()), int64_t(samples.size())};
    source.units = units;
    return source;
}

} // namespace

class TestWindowLevel : public QObject
{
    Q_OBJECT

private slots:
    void greyThroughTheWindow_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("grey");
        QTest::newRow("CT bottom of soft tissue") << 1.0 << 400.0 << 40.0 << -160 + 1024 << 0;
        QTest::newRow("CT below the window") << 1.0 << 400.0 << 40.0 << 0 << 0;
        QTest::newRow("CT at the level") << 1.0 << 400.0 << 40.0 << 40 + 1024 << 128;
        QTest::newRow("CT three quarters up") << 1.0 << 400.0 << 40.0 << 140 + 1024 << 191;
        QTest::newRow("CT top of the window") << 1.0 << 400.0 << 40.0 << 240 + 1024 << 255;
        QTest::newRow("CT lung") << 1.0 << 1500.0 << -600.0 << -600 + 1024 << 128;
        QTest::newRow("width 0 is one unit: below") << 1.0 << 0.0 << 40.0 << 39 + 1024 << 0;
        QTest::newRow("width 0 is one unit: above") << 1.0 << 0.0 << 40.0 << 41 + 1024 << 255;
        QTest::newRow("scaled values at their top") << 4.095 << 1000.0 << 500.0 << 4095 << 255;
        QTest::newRow("scaled values in the middle") << 4.095 << 1000.0 << 500.0 << 2048 << 128;
    }
    void greyThroughTheWindow()
    {
        QFETCH(double, scale);
        QFETCH(double, width);
        QFETCH(double, level);
        QFETCH(int, sample);
        const SampleUnits units = scale == 1.0 ? ctUnits : mriUnits;
        QTEST(int(greyTable({width, level}, units)[size_t(sample)]), "grey");
    }

    void automaticWindowSpansTheRobustRange_data()
    {
        QTest::addColumn<std::vector<uint16_t>>("samples");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        std::vector<uint16_t> ramp(4000);
        for (size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = uint16_t(i);
        // The lowest and highest 20 of 4000 voxels are left out.
        QTest::newRow("ramp") << ramp << 20.0 / 4.095 << 3979.0 / 4.095;
        std::vector<uint16_t> mask(1000, 0);
        mask[7] = mask[500] = 4095;
        QTest::newRow("mask: the whole range where the robust one collapses") << mask << 0.0 << 1000.0;
        QTest::newRow("constant") << std::vector<uint16_t>(64, 2000) << 2000 / 4.095 - 0.5 / 4.095
                                  << 2000 / 4.095 + 0.5 / 4.095;
    }
    void automaticWindowSpansTheRobustRange()
    {
        QFETCH(std::vector<uint16_t>, samples);
        QFETCH(double, low);
        QFETCH(double, high);
        const WindowLevel window = automaticWindow(sourceOver(samples, mriUnits));
        QVERIFY2(qAbs(window.level - window.width / 2 - low) < 1e-9, qPrintable(QString::number(window.level - window.width / 2)));
        QVERIFY2(qAbs(window.level + window.width / 2 - high) < 1e-9, qPrintable(QString::number(window.level + window.width / 2)));
    }
};

QTEST_MAIN(TestWindowLevel)
#include "tst_windowlevel.moc"
