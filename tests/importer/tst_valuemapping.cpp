#include "RobustRange.h"
#include "ValueMapping.h"
#include "ValueStats.h"
#include "VolumeFiles.h"
#include "VolumeImport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <functional>
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
    void defaultKindByEvidence_data();
    void defaultKindByEvidence();
    void mappingFitsTheSource_data();
    void mappingFitsTheSource();
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
    // A volume of one value: that value in the middle, where the default transfer function shows it.
    QTest::newRow("empty range") << "empty" << 5.0 << 2048;
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

void TestValueMapping::defaultKindByEvidence_data()
{
    QTest::addColumn<SampleType>("type");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QString>("modality");
    QTest::addColumn<double>("share");
    QTest::addColumn<MappingKind>("expected");
    using V = QVector<double>;
    const SampleType i16 = SampleType::Int16;
    QTest::newRow("MRI with a few negatives") << i16 << V{-600, 200, 20000} << "" << 0.05 << MappingKind::Linear;
    QTest::newRow("CT nearly all in span") << i16 << V{-3024, -1000, 4000} << "" << 0.98 << MappingKind::Hounsfield;
    QTest::newRow("CT-like, too much beyond 3071") << i16 << V{-3024, -1000, 4000} << "" << 0.97 << MappingKind::Linear;
    QTest::newRow("source says CT") << i16 << V{0, 4000} << "CT" << 0.0 << MappingKind::Hounsfield;
    QTest::newRow("source says MR") << i16 << V{-1024, 40, 3071} << "MR" << 1.0 << MappingKind::Linear;
    QTest::newRow("8-bit CT") << SampleType::UInt8 << V{0, 255} << "CT" << 0.0 << MappingKind::Times16;
    QTest::newRow("one value") << i16 << V{5, 5} << "" << 1.0 << MappingKind::Linear;
    QTest::newRow("one value of 8 bits") << SampleType::UInt8 << V{0} << "" << 1.0 << MappingKind::Linear;
}

// The source's word first, then the values' own look; one value goes to the middle.
void TestValueMapping::defaultKindByEvidence()
{
    QFETCH(SampleType, type);
    QFETCH(QVector<double>, values);
    QFETCH(QString, modality);
    QFETCH(double, share);
    QFETCH(MappingKind, expected);
    ValueStats stats;
    for (double value : values)
        stats.add(value);
    MappingEvidence evidence;
    evidence.modality = modality;
    evidence.hounsfieldShare = share;
    QCOMPARE(defaultMappingKind(stats, type, false, evidence), expected);
}

void TestValueMapping::mappingFitsTheSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<MappingKind>("expected");
    const int sizes[3] = {10, 10, 10};
    const auto nifti = [&sizes](const std::function<double(int)> &value) {
        QVector<double> values(1000);
        for (int i = 0; i < 1000; ++i)
            values[i] = value(i);
        return VolumeFiles::nifti(sizes, SampleType::Int16, false, VolumeFiles::encodeSamples(values, SampleType::Int16, false));
    };
    QTest::newRow("MRI with a few negatives") << "a.nii" << nifti([](int i) { return i % 33 == 0 ? -600 : i * 20; })
                                              << MappingKind::Linear;
    QTest::newRow("CT padded outside its field") << "a.nii" << nifti([](int i) { return i < 250 ? -3024 : i < 450 ? -1000 : i * 3 - 1300; })
                                                 << MappingKind::Hounsfield;
    QTest::newRow("one value") << "a.nii" << nifti([](int) { return 7; }) << MappingKind::Linear;
    const QByteArray ctLike = VolumeFiles::encodeSamples(QVector<double>(1000, -1000) + QVector<double>{500}, SampleType::Int16, false);
    const QByteArray mha("NDims = 3\nDimSize = 1001 1 1\nElementType = MET_SHORT\n");
    QTest::newRow("MetaImage that says MR") << "a.mha" << mha + "Modality = MET_MOD_MR\nElementDataFile = LOCAL\n" + ctLike
                                            << MappingKind::Linear;
    QTest::newRow("MetaImage that says CT") << "a.mha" << mha + "Modality = MET_MOD_CT\nElementDataFile = LOCAL\n" + ctLike
                                            << MappingKind::Hounsfield;
}

// The mapping each source gets by default, and the units that undo it: every sample that
// did not clip stands for the value it came from.
void TestValueMapping::mappingFitsTheSource()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(MappingKind, expected);
    QTemporaryDir dir;
    QVERIFY(VolumeFiles::writeFile(dir.filePath(name), contents));
    const ImportResult result = importVolume(dir.filePath(name).toStdString());
    QVERIFY2(result.ok(), result.refusal.c_str());
    QCOMPARE(result.mapping.kind, expected);
    QCOMPARE(result.units.hounsfield, expected == MappingKind::Hounsfield);
    const char *data = contents.constData() + contents.size() - 2 * int(result.samples.size());
    for (size_t i = 0; i < result.samples.size(); ++i) {
        int16_t stored;
        std::memcpy(&stored, data + 2 * i, sizeof stored);
        const uint16_t sample = result.samples[i];
        if (sample > 0 && sample < 4095)
            QVERIFY2(std::abs(result.units.valueOf(sample) - stored) <= 0.5 / result.units.scale + 1e-9,
                     qPrintable(QStringLiteral("voxel %1: %2 stands for %3").arg(i).arg(sample).arg(result.units.valueOf(sample))));
    }
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
