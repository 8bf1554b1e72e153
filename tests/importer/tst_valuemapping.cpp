#include "RobustRange.h"
#include "ValueMapping.h"
#include "ValueStats.h"
#include "VolumeFiles.h"
#include "VolumeImport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(SampleType)
Q_DECLARE_METATYPE(MappingKind)

// The rules by which source values become 0..4095: each mapping's formula at its edges,
// the default chosen for each kind of data, and the robust range of the linear mapping.
class TestValueMapping : public QObject
{
    Q_OBJECT

private slots:
    void map_data();
    void map();
    void defaultKind_data();
    void defaultKind();
    void statsSkipNonFinite();
    void robustRangeIgnoresOutliers();
    void linearDefaultEndToEnd();
};

namespace {

ValueMapping mappingNamed(const QString &name)
{
    if (name == QLatin1String("hu"))
        return hounsfieldMapping();
    if (name == QLatin1String("x16 uint8"))
        return times16Mapping(SampleType::UInt8);
    if (name == QLatin1String("x16 int8"))
        return times16Mapping(SampleType::Int8);
    if (name == QLatin1String("keep"))
        return keepMapping();
    if (name == QLatin1String("window"))
        return rangeMapping(MappingKind::Window, -160.0, 240.0);
    return rangeMapping(MappingKind::Linear, 5.0, 5.0);
}

const double inf = std::numeric_limits<double>::infinity();

} // namespace

void TestValueMapping::map_data()
{
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("hu air") << "hu" << -1024.0 << 0;
    QTest::newRow("hu below air") << "hu" << -3024.0 << 0;
    QTest::newRow("hu water") << "hu" << 0.0 << 1024;
    QTest::newRow("hu bone") << "hu" << 1976.0 << 3000;
    QTest::newRow("hu top") << "hu" << 3071.0 << 4095;
    QTest::newRow("hu metal") << "hu" << 30000.0 << 4095;
    QTest::newRow("hu half rounds up") << "hu" << -0.5 << 1024;
    QTest::newRow("hu NaN") << "hu" << std::nan("") << 0;
    QTest::newRow("hu +inf") << "hu" << inf << 4095;
    QTest::newRow("hu -inf") << "hu" << -inf << 0;
    QTest::newRow("x16 uint8 0") << "x16 uint8" << 0.0 << 0;
    QTest::newRow("x16 uint8 1") << "x16 uint8" << 1.0 << 16;
    QTest::newRow("x16 uint8 255") << "x16 uint8" << 255.0 << 4080;
    QTest::newRow("x16 int8 -128") << "x16 int8" << -128.0 << 0;
    QTest::newRow("x16 int8 0") << "x16 int8" << 0.0 << 2048;
    QTest::newRow("x16 int8 127") << "x16 int8" << 127.0 << 4080;
    QTest::newRow("keep 4095") << "keep" << 4095.0 << 4095;
    QTest::newRow("keep 4096 clips") << "keep" << 4096.0 << 4095;
    QTest::newRow("keep 65535 clips") << "keep" << 65535.0 << 4095;
    QTest::newRow("keep -1 clips") << "keep" << -1.0 << 0;
    QTest::newRow("keep 12.5") << "keep" << 12.5 << 13;
    QTest::newRow("window low") << "window" << -160.0 << 0;
    QTest::newRow("window high") << "window" << 240.0 << 4095;
    QTest::newRow("window middle") << "window" << 40.0 << 2048;
    QTest::newRow("window below") << "window" << -1000.0 << 0;
    QTest::newRow("window above") << "window" << 1e30 << 4095;
    QTest::newRow("empty range") << "empty" << 5.0 << 0;
}

void TestValueMapping::map()
{
    QFETCH(QString, mapping);
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(int(mappingNamed(mapping).map(value)), expected);
}

void TestValueMapping::defaultKind_data()
{
    QTest::addColumn<SampleType>("type");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<MappingKind>("expected");
    using V = QVector<double>;
    QTest::newRow("uint8") << SampleType::UInt8 << false << V{0, 17, 255} << MappingKind::Times16;
    QTest::newRow("int8") << SampleType::Int8 << false << V{-128, 0, 127} << MappingKind::Times16;
    QTest::newRow("int8 that looks like keep") << SampleType::Int8 << false << V{0, 1, 2} << MappingKind::Times16;
    QTest::newRow("scaled uint8 into HU") << SampleType::UInt8 << true << V{-1024, 0, 1000} << MappingKind::Hounsfield;
    QTest::newRow("scaled uint8 fractions") << SampleType::UInt8 << true << V{0, 0.25, 0.5} << MappingKind::Linear;
    QTest::newRow("CT int16") << SampleType::Int16 << false << V{-1024, 40, 3071} << MappingKind::Hounsfield;
    QTest::newRow("CT padded -3024") << SampleType::Int16 << false << V{-3024, -1000, 2000} << MappingKind::Hounsfield;
    QTest::newRow("CT float") << SampleType::Float32 << false << V{-1000.5, 0, 1500.25} << MappingKind::Hounsfield;
    QTest::newRow("CT scaled uint16") << SampleType::UInt16 << true << V{-1024, 0, 2000} << MappingKind::Hounsfield;
    QTest::newRow("lowest -500") << SampleType::Int16 << false << V{-500, 0} << MappingKind::Hounsfield;
    QTest::newRow("lowest -499") << SampleType::Int16 << false << V{-499, 0} << MappingKind::Linear;
    QTest::newRow("lowest -3101") << SampleType::Int16 << false << V{-3101, 0} << MappingKind::Linear;
    QTest::newRow("all below water") << SampleType::Int16 << false << V{-1024, -1} << MappingKind::Linear;
    QTest::newRow("12-bit uint16") << SampleType::UInt16 << false << V{0, 1000, 4095} << MappingKind::Keep;
    QTest::newRow("12-bit int32") << SampleType::Int32 << false << V{3, 4000} << MappingKind::Keep;
    QTest::newRow("13-bit uint16") << SampleType::UInt16 << false << V{0, 4096} << MappingKind::Linear;
    QTest::newRow("16-bit uint16") << SampleType::UInt16 << false << V{0, 65535} << MappingKind::Linear;
    QTest::newRow("small negatives") << SampleType::Int16 << false << V{-5, 100} << MappingKind::Linear;
    QTest::newRow("whole floats") << SampleType::Float64 << false << V{0, 1, 4095} << MappingKind::Keep;
    QTest::newRow("fractional floats") << SampleType::Float32 << false << V{0, 0.5, 1} << MappingKind::Linear;
}

void TestValueMapping::defaultKind()
{
    QFETCH(SampleType, type);
    QFETCH(bool, scaled);
    QFETCH(QVector<double>, values);
    QFETCH(MappingKind, expected);
    ValueStats stats;
    for (double value : values)
        stats.add(value);
    QCOMPARE(defaultMappingKind(stats, type, scaled), expected);
}

void TestValueMapping::statsSkipNonFinite()
{
    ValueStats stats;
    for (double value : {std::nan(""), 7.0, inf, -inf, -2.0, 3.0})
        stats.add(value);
    QCOMPARE(stats.finiteCount(), uint64_t(3));
    QCOMPARE(stats.min(), -2.0);
    QCOMPARE(stats.max(), 7.0);
    QVERIFY(stats.allIntegral());
    stats.add(0.5);
    QVERIFY(!stats.allIntegral());
}

void TestValueMapping::robustRangeIgnoresOutliers()
{
    std::vector<double> values;
    for (int i = 0; i < 1000; ++i)
        values.push_back(i);
    values.push_back(1e30);
    values.push_back(-1e30);
    const ValueRange range = robustRange(values, robustLowFraction, robustHighFraction);
    QCOMPARE(range.low, 4.0);
    QCOMPARE(range.high, 995.0);
    const ValueRange whole = robustRange({3.0, 1.0, 2.0}, 0.0, 1.0);
    QCOMPARE(whole.low, 1.0);
    QCOMPARE(whole.high, 3.0);
}

// Float data from 0 to 1 with a fill value far out: the ramp still spans 0..4095.
void TestValueMapping::linearDefaultEndToEnd()
{
    QTemporaryDir dir;
    QVector<double> values(1000);
    for (int i = 0; i < 1000; ++i)
        values[i] = i / 999.0;
    values[500] = -1e30;
    const QString input = dir.filePath(QStringLiteral("in.raw"));
    ImportOptions options;
    options.raw = RawLayout{{10, 10, 10}, SampleType::Float32, false, 0};
    QVERIFY(VolumeFiles::writeFile(input, VolumeFiles::encodeSamples(values, SampleType::Float32, false)));
    const ImportResult result = importVolume(input.toStdString(), options);
    QVERIFY(result.ok());
    QCOMPARE(result.mapping.kind, MappingKind::Linear);
    const SampleBuffer &samples = result.samples;
    QCOMPARE(int(samples[0]), 0);
    QCOMPARE(int(samples[500]), 0);
    QCOMPARE(int(samples[999]), 4095);
    QVERIFY(qAbs(samples[499] - 2048) < 30);
    for (int i = 1; i < 1000; ++i) {
        if (i != 500 && i != 501)
            QVERIFY(samples[i] >= samples[i - 1]);
    }
}

QTEST_GUILESS_MAIN(TestValueMapping)
#include "tst_valuemapping.moc"
