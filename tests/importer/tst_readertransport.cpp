#include "ReaderProcess.h"
#include "ReaderProtocol.h"
#include "SampleFile.h"
#include "ValueSamples.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <unistd.h>

namespace {

// A field added to these must be set below to something other than its default, or its
// round trip proves nothing. The values and the samples travel in the values file.
static_assert(sizeof(ImportResult) == 528 && sizeof(ReadRequest) == 144, "set the new field below");

// Every field set to something other than its default, so that one left behind shows.
ImportResult everyFieldSet()
{
    ImportResult result;
    result.refusal = "x.dcm: holds colour images";
    result.cancelled = true;
    result.format = "NIfTI";
    result.sizeX = 3;
    result.sizeY = 4;
    result.sizeZ = 5;
    result.spacing = {0.5, 0.75, 2.5, true};
    result.frame.axes = {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};
    result.frame.origin = {-120.25, 7.5, 1e-3};
    result.frame.known = true;
    result.units = {0.5, 1024, true};
    result.mappingDescription = "linear -3.5..77";
    result.notes = {"also in the folder: series 2 \"Lung\" (40 images)", "a note with ünïcode"};
    // A name in UTF-8 and one in Latin-1, which is no UTF-8.
    result.files = {"/data/a b.nii", "/data/\xe2\x82\xac.img", "/data/Sch\xe4" "del.nii"};
    result.sampleType = "float32";
    result.lowestValue = -3.5;
    result.highestValue = 1e300;
    result.mapping.kind = MappingKind::Linear;
    result.mapping.scale = 0.1;
    result.mapping.offset = 1.0 / 3.0;
    result.mapping.low = -3.5;
    result.mapping.high = 77;
    ExamSeries series;
    series.patientName = "M\xfcller^Anna";
    series.patientId = "4711";
    series.studyDate = "20240131";
    series.studyDescription = "chest";
    series.seriesNumber = "3";
    series.seriesDescription = "axial 2.5";
    series.part = "acquisition 2";
    series.modality = "CT";
    series.images = 300;
    series.sizes[0] = 512;
    series.sizes[1] = 511;
    series.sizes[2] = 300;
    series.spacing[0] = 0.625;
    series.spacing[1] = 0.7;
    series.spacing[2] = 2.5;
    series.colour = true;
    result.exam = {ExamSeries(), series};
    result.openedSeries = 2;
    return result;
}

ReadRequest everyRequestFieldSet()
{
    ReadRequest request;
    // Bytes that are no UTF-8, and a space.
    request.path = "/data/Sch\xe4" "del 2.raw";
    request.valuesFile = 7;
    request.options.mapping = MappingKind::Times16;
    request.options.window = std::make_pair(-160.0, 240.5);
    request.options.raw = RawLayout{{7, 8, (uint64_t(1) << 40) + 1}, SampleType::Float64, true, 352};
    request.options.limits = GridLimits{(uint64_t(1) << 60) + 1, 16384};
    request.options.seriesChoice = SeriesChoice::Numbered;
    request.options.series = 12;
    return request;
}

} // namespace

// What crosses between the reader program and its caller: the request and the answer line
// carry the whole request and result, a damaged one is refused rather than half read, the
// values file is taken only when it holds exactly the grid, and the samples are made from
// the values as the mapping says.
class TestReaderTransport : public QObject
{
    Q_OBJECT

private slots:
    void aResultArrivesWhole()
    {
        const ImportResult sent = everyFieldSet();
        const QByteArray line = ReaderProtocol::resultLine(sent);
        QVERIFY(!line.contains('\n'));
        ImportResult got;
        QVERIFY(ReaderProtocol::readResult(line, &got));
        // Exactly, not nearly: the mapping decides every sample's value.
        QVERIFY(got == sent);
    }

    void aRequestArrivesWhole_data()
    {
        QTest::addColumn<bool>("optionsSet");
        QTest::newRow("every option") << true;
        QTest::newRow("no option") << false;
    }
    void aRequestArrivesWhole()
    {
        QFETCH(bool, optionsSet);
        ReadRequest sent = everyRequestFieldSet();
        if (!optionsSet)
            sent.options = ImportOptions();
        ReadRequest got;
        QVERIFY(ReaderProtocol::readRequest(ReaderProtocol::requestArguments(sent), &got));
        QVERIFY(got == sent);
    }

    void aDamagedRequestIsRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QStringList whole = ReaderProtocol::requestArguments(everyRequestFieldSet());
        QTest::newRow("another kind") << QStringList{"scan", whole[1]};
        QTest::newRow("no object") << QStringList{whole[0]};
        QTest::newRow("old form") << QStringList{"/data/ct.nii", "3", "0", "0"};
        QTest::newRow("cut short") << QStringList{whole[0], whole[1].left(whole[1].size() / 2)};
        QTest::newRow("unknown sample type") << QStringList{whole[0], QString(whole[1]).replace("float64", "float16")};
        QTest::newRow("memory not a count") << QStringList{whole[0], QString(whole[1]).replace("1152921504606846977", "-1")};
        QTest::newRow("option missing") << QStringList{whole[0], QString(whole[1]).replace("\"window\"", "\"windows\"")};
        QTest::newRow("unknown mapping") << QStringList{whole[0], QString(whole[1]).replace("\"mapping\":1", "\"mapping\":7")};
        QTest::newRow("unknown series choice") << QStringList{whole[0], QString(whole[1]).replace("\"seriesChoice\":1", "\"seriesChoice\":9")};
    }
    void aDamagedRequestIsRefused()
    {
        QFETCH(QStringList, arguments);
        ReadRequest got;
        got.path = "untouched";
        QVERIFY(!ReaderProtocol::readRequest(arguments, &got));
        QCOMPARE(got.path, std::string("untouched"));
    }

    void aDamagedAnswerIsRefused_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray whole = ReaderProtocol::resultLine(everyFieldSet());
        QTest::newRow("cut short") << whole.left(whole.size() / 2);
        QTest::newRow("not JSON") << QByteArray("result {spacing: 1}");
        QTest::newRow("field missing") << QByteArray(whole).replace("\"frame\"", "\"framed\"");
        QTest::newRow("text for a number") << QByteArray(whole).replace("\"lowestValue\":-3.5", "\"lowestValue\":\"low\"");
        QTest::newRow("size not whole") << QByteArray(whole).replace("\"size\":[3,4,5]", "\"size\":[3,4.5,5]");
        QTest::newRow("negative size") << QByteArray(whole).replace("\"size\":[3,4,5]", "\"size\":[3,-4,5]");
        QTest::newRow("two sizes") << QByteArray(whole).replace("\"size\":[3,4,5]", "\"size\":[3,4]");
        QTest::newRow("unknown mapping") << QByteArray(whole).replace("\"kind\":3", "\"kind\":9");
        QTest::newRow("a progress line") << ReaderProtocol::progressLine(0.5);
    }
    void aDamagedAnswerIsRefused()
    {
        QFETCH(QByteArray, line);
        ImportResult got;
        got.format = "untouched";
        QVERIFY(!ReaderProtocol::readResult(line, &got));
        QCOMPARE(got.format, std::string("untouched"));
    }

    void progressLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("read");
        QTest::addColumn<double>("fraction");
        QTest::newRow("written") << ReaderProtocol::progressLine(0.25) << true << 0.25;
        QTest::newRow("beyond 1") << QByteArray("progress 1.5") << false << 0.0;
        QTest::newRow("not a number") << QByteArray("progress half") << false << 0.0;
        QTest::newRow("a library's line") << QByteArray("gdcm: progress made") << false << 0.0;
    }
    void progressLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, read);
        QFETCH(double, fraction);
        double got = -1;
        QCOMPARE(ReaderProtocol::readProgress(line, &got), read);
        if (read)
            QCOMPARE(got, fraction);
    }

    // The caller reads the mapped file value by value; a file shorter than the grid would
    // end it at the first value past its end.
    void theValuesFileIsTakenOnlyWhole_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole") << 120 << 120;
        QTest::newRow("shorter than the grid") << 120 << 122;
        QTest::newRow("longer than the grid") << 120 << 118;
    }
    void theValuesFileIsTakenOnlyWhole()
    {
        QFETCH(int, written);
        QFETCH(int, expected);
        std::string failure;
        const int file = makeSampleFile(failure);
        QVERIFY2(file >= 0, failure.c_str());
        {
            OwnedArray<unsigned char> store = createValueBytes(file, uint64_t(written));
            for (int i = 0; i < written; ++i)
                store[size_t(i)] = static_cast<unsigned char>(i * 2 + 1);
        }
        const std::shared_ptr<const unsigned char> mapped = mapValueBytes(file, uint64_t(expected), failure);
        QCOMPARE(failure.empty(), written == expected);
        QCOMPARE(bool(mapped), written == expected);
        // The caller closes the file at once; the mapping keeps the values.
        close(file);
        for (int i = 0; mapped && i < written; ++i)
            QCOMPARE(int(mapped.get()[i]), i * 2 + 1);
    }

    // The samples the caller makes from the values with the reader's mapping: clipped at both
    // ends, rounded, NaN as 0, and a value outside the range the answer named mapped on its
    // own rather than looked up outside the table.
    void samplesFromValues_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QVector<double>>("range");
        QTest::addColumn<QVector<int>>("samples");
        const int linear = int(MappingKind::Linear);
        QTest::newRow("linear MRI, tails clipped") << int(SampleType::Int16) << QVector<double>{469, 750, 5000, 13016, 20000}
                                                   << linear << 750.0 << 13016.0 << QVector<double>{469, 20000}
                                                   << QVector<int>{0, 0, 1419, 4095, 4095};
        QTest::newRow("hu beyond 3071") << int(SampleType::Int16) << QVector<double>{-2048, -1024, 0, 3071, 3500}
                                        << int(MappingKind::Hounsfield) << 0.0 << 0.0 << QVector<double>{-2048, 3500}
                                        << QVector<int>{0, 0, 1024, 4095, 4095};
        QTest::newRow("float, NaN") << int(SampleType::Float32) << QVector<double>{-1.5, 0.25, std::nan(""), 10}
                                    << linear << -1.5 << 0.5 << QVector<double>{-1.5, 10}
                                    << QVector<int>{0, 3583, 0, 4095};
        QTest::newRow("range narrower than the values") << int(SampleType::UInt16) << QVector<double>{0, 9, 65535, 12}
                                                        << int(MappingKind::Keep) << 0.0 << 4095.0 << QVector<double>{9, 10}
                                                        << QVector<int>{0, 9, 4095, 12};
    }
    void samplesFromValues()
    {
        QFETCH(int, type);
        QFETCH(QVector<double>, values);
        QFETCH(int, kind);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QVector<double>, range);
        QFETCH(QVector<int>, samples);
        ValueMapping mapping;
        mapping.kind = MappingKind(kind);
        if (mapping.kind == MappingKind::Hounsfield)
            mapping.offset = 1024;
        if (mapping.kind == MappingKind::Linear) {
            mapping.scale = 4095 / (high - low);
            mapping.offset = -low * mapping.scale;
        }
        const OriginalValues original = stored(values, SampleType(type));
        for (int threads : {1, 3}) {
            const SampleBuffer made = mapToSamples(original, mapping, range[0], range[1], threads);
            QCOMPARE(QVector<int>(made.begin(), made.end()), samples);
        }
    }

    // Split among threads, every value still lands on its own sample.
    void everyThreadMapsItsShare()
    {
        QVector<double> values;
        for (int v = -30000; v <= 30000; v += 3)
            values << v;
        ValueMapping hu;
        hu.kind = MappingKind::Hounsfield;
        hu.offset = 1024;
        const SampleBuffer made = mapToSamples(stored(values, SampleType::Int16), hu, -30000, 30000, 4);
        QCOMPARE(made.size(), size_t(values.size()));
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(int(made[size_t(i)]), std::clamp(int(values[i]) + 1024, 0, 4095));
    }

    // The whole way through the reader program: its values arrive exactly, those the mapping
    // clips included, and the samples are made from them with the mapping it chose.
    void aVolumeCrossesWithItsValues()
    {
        const QVector<int> values{-5000, -100, -99, 0, 1, 99, 100, 30000, 7, -7, 50, -50};
        QTemporaryDir folder;
        const QString path = folder.filePath("ct.raw");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int v : values) {
            const int16_t x = int16_t(v);
            file.write(reinterpret_cast<const char *>(&x), 2);
        }
        file.close();
        ImportOptions options;
        options.raw = RawLayout{{3, 2, 2}, SampleType::Int16, false, 0};
        options.window = std::make_pair(-100.0, 100.0);
        const std::atomic<bool> cancel{false};
        const ImportResult result = ReaderProcess(std::chrono::seconds(30)).read(path, options, [](double) {}, cancel);
        QVERIFY2(result.ok(), result.refusal.c_str());
        QCOMPARE(result.values.type(), SampleType::Int16);
        QCOMPARE(result.values.count(), uint64_t(values.size()));
        QCOMPARE(result.samples.size(), size_t(values.size()));
        QCOMPARE(result.lowestValue, -5000.0);
        QCOMPARE(result.highestValue, 30000.0);
        for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(result.values.at(uint64_t(i)), double(values[i]));
            const int expected = int(std::clamp(std::floor((values[i] + 100) * 4095.0 / 200.0 + 0.5), 0.0, 4095.0));
            QCOMPARE(int(result.samples[size_t(i)]), expected);
        }
    }

private:
    static OriginalValues stored(const QVector<double> &values, SampleType type)
    {
        const int size = sampleTypeSize(type);
        const auto bytes = std::shared_ptr<unsigned char>(new unsigned char[size_t(values.size() * size)],
                                                          std::default_delete<unsigned char[]>());
        for (int i = 0; i < values.size(); ++i) {
            const double v = values[i];
            unsigned char *at = bytes.get() + i * size;
            if (type == SampleType::Int16) {
                const int16_t x = int16_t(v);
                std::memcpy(at, &x, 2);
            } else if (type == SampleType::UInt16) {
                const uint16_t x = uint16_t(v);
                std::memcpy(at, &x, 2);
            } else {
                const float x = float(v);
                std::memcpy(at, &x, 4);
            }
        }
        return OriginalValues(bytes, type, uint64_t(values.size()));
    }
};

QTEST_GUILESS_MAIN(TestReaderTransport)
#include "tst_readertransport.moc"
