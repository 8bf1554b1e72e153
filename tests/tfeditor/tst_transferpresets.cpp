#include "SampleLimits.h"
#include "TransferPresets.h"

#include <QTest>

using TransferPresets::placed;
using TransferPresets::SampleStop;

Q_DECLARE_METATYPE(std::vector<SampleStop>)

namespace {

const std::vector<SampleStop> ramp{{0, 0x00000000u}, {maxSample, 0xFFFFFFFFu}};
const std::vector<SampleStop> bone{{0, 0x00000000u}, {1200, 0x00000000u}, {1450, 0x80E8D8B8u}, {2000, 0xF0FFF8F0u},
                                   {maxSample, 0xFFFFFFFFu}};

QGradientStops stops(std::initializer_list<std::pair<double, QRgb>> list)
{
    QGradientStops result;
    for (const auto &[position, colour] : list)
        result << QGradientStop(position, QColor::fromRgba(colour));
    return result;
}

} // namespace

class TestTransferPresets : public QObject
{
    Q_OBJECT

private slots:
    // Samples inside the range keep their colours at their place in it; the ends take the
    // preset's colour at the range's ends.
    void placesStopsOverTheRange_data()
    {
        QTest::addColumn<std::vector<SampleStop>>("preset");
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<QGradientStops>("expected");
        QTest::newRow("ramp, whole range") << ramp << 0 << maxSample << stops({{0.0, 0x00000000u}, {1.0, 0xFFFFFFFFu}});
        // 1000 / 4095 * 255 = 62.3 and 3000 / 4095 * 255 = 186.8.
        QTest::newRow("ramp, narrowed") << ramp << 1000 << 3000 << stops({{0.0, 0x3E3E3E3Eu}, {1.0, 0xBBBBBBBBu}});
        // 1200 at 0.1, 1450 at 0.225, 2000 at 0.5; 3000 lies 1000 / 2095 of the way to 4095.
        QTest::newRow("bone, narrowed") << bone << 1000 << 3000
                                        << stops({{0.0, 0x00000000u}, {0.1, 0x00000000u}, {0.225, 0x80E8D8B8u},
                                                  {0.5, 0xF0FFF8F0u}, {1.0, 0xF7FFFBF7u}});
        QTest::newRow("bone, inside one segment") << bone << 1250 << 1350
                                                  << stops({{0.0, 0x1A2E2B25u}, {1.0, 0x4D8B826Eu}});
        QTest::newRow("one value") << ramp << 2000 << 2000 << stops({{0.0, 0x7D7D7D7Du}, {1.0, 0x7D7D7D7Du}});
    }
    void placesStopsOverTheRange()
    {
        QFETCH(std::vector<SampleStop>, preset);
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(QGradientStops, expected);
        const QGradientStops result = placed(preset, lo, hi);
        QCOMPARE(result.size(), expected.size());
        for (int i = 0; i < result.size(); ++i) {
            QCOMPARE(result[i].first, expected[i].first);
            QCOMPARE(QString::number(result[i].second.rgba(), 16), QString::number(expected[i].second.rgba(), 16));
        }
    }

    void everyPresetStartsAndEndsOnTheSampleRange()
    {
        QCOMPARE(int(TransferPresets::all().size()), 5);
        for (const TransferPresets::Preset &preset : TransferPresets::all()) {
            QCOMPARE(preset.stops.front().sample, 0);
            QCOMPARE(preset.stops.back().sample, maxSample);
        }
    }
};

QTEST_APPLESS_MAIN(TestTransferPresets)
#include "tst_transferpresets.moc"
