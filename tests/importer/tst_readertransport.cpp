#include "ReaderProtocol.h"
#include "SampleFile.h"

#include <QTest>

#include <unistd.h>

namespace {

// Every field set to something other than its default, so that one left behind shows.
ImportResult everyFieldSet()
{
    ImportResult result;
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
        QCOMPARE(got.format, sent.format);
        QCOMPARE((QList<int>{got.sizeX, got.sizeY, got.sizeZ}), (QList<int>{3, 4, 5}));
        QCOMPARE((QList<double>{got.spacing.x, got.spacing.y, got.spacing.z}), (QList<double>{0.5, 0.75, 2.5}));
        QVERIFY(got.spacing.known && got.frame.known && got.units.hounsfield);
        QVERIFY(got.frame.axes == sent.frame.axes && got.frame.origin == sent.frame.origin);
        QCOMPARE(got.units.scale, sent.units.scale);
        QCOMPARE(got.units.offset, sent.units.offset);
        QCOMPARE(got.mappingDescription, sent.mappingDescription);
        QVERIFY(got.notes == sent.notes && got.files == sent.files);
        QCOMPARE(got.sampleType, sent.sampleType);
        QCOMPARE(got.lowestValue, sent.lowestValue);
        QCOMPARE(got.highestValue, sent.highestValue);
        QCOMPARE(int(got.mapping.kind), int(MappingKind::Linear));
        // Exactly, not nearly: the mapping decides every sample's value.
        QVERIFY(got.mapping.scale == sent.mapping.scale && got.mapping.offset == sent.mapping.offset);
        QVERIFY(got.mapping.low == sent.mapping.low && got.mapping.high == sent.mapping.high);

        ImportResult refusal;
        refusal.refusal = "x.dcm: holds colour images";
        QVERIFY(ReaderProtocol::readResult(ReaderProtocol::resultLine(refusal), &got));
        QCOMPARE(got.refusal, refusal.refusal);
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
