#include "ReaderProtocol.h"
#include "SampleFile.h"

#include <QTest>

#include <unistd.h>

namespace {

// A field added to these must be set below to something other than its default, or its
// round trip proves nothing.
static_assert(sizeof(ImportResult) == 464 && sizeof(ReadRequest) == 136, "set the new field below");

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
    return result;
}

ReadRequest everyRequestFieldSet()
{
    ReadRequest request;
    // Bytes that are no UTF-8, and a space.
    request.path = "/data/Sch\xe4" "del 2.raw";
    request.samplesFile = 7;
    request.options.mapping = MappingKind::Times16;
    request.options.window = std::make_pair(-160.0, 240.5);
    request.options.raw = RawLayout{{7, 8, (uint64_t(1) << 40) + 1}, SampleType::Float64, true, 352};
    request.options.limits = GridLimits{(uint64_t(1) << 60) + 1, 16384};
    return request;
}

} // namespace

// What crosses from the reader process to the viewer: the answer line carries the whole
// result, a damaged line is refused rather than half read, and the samples file is taken
// only when it holds exactly the grid.
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

    // The viewer reads the mapped file sample by sample; a file shorter than the grid would
    // end it at the first sample past its end.
    void theSamplesFileIsTakenOnlyWhole_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole") << 60 << 60;
        QTest::newRow("shorter than the grid") << 60 << 61;
        QTest::newRow("longer than the grid") << 60 << 59;
    }
    void theSamplesFileIsTakenOnlyWhole()
    {
        QFETCH(int, written);
        QFETCH(int, expected);
        std::string failure;
        const int file = makeSampleFile(failure);
        QVERIFY2(file >= 0, failure.c_str());
        {
            SampleBuffer store = createSamples(file, size_t(written));
            for (int i = 0; i < written; ++i)
                store[size_t(i)] = uint16_t(i * 60);
        }
        const SampleBuffer mapped = mapSamples(file, size_t(expected), failure);
        QCOMPARE(failure.empty(), written == expected);
        QCOMPARE(mapped.size(), size_t(written == expected ? written : 0));
        // The viewer closes the file at once; the mapping keeps the samples.
        close(file);
        for (size_t i = 0; i < mapped.size(); ++i)
            QCOMPARE(int(mapped[i]), int(i) * 60);
    }
};

QTEST_GUILESS_MAIN(TestReaderTransport)
#include "tst_readertransport.moc"
