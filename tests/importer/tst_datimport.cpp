#include "CommandLine.h"
#include "ImportError.h"
#include "VolumeFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace VolumeFiles;

// The tool as users meet it: its options, its one line of output for success and for
// failure, its exit status, the progress line, and the script that makes the default data
// set from Debian's head CT.
class TestDatImport : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void help();
    void rawConversion();
    void refusalKeepsEarlierOutput();
    void aLibraryThatAbortsCostsOneLine();
    void inputNeverOverwritten_data();
    void inputNeverOverwritten();
    void progressLine();
    void defaultVolumeScript();

private:
    struct Run
    {
        int status = -1;
        QByteArray out;
        QByteArray err;
    };
    static Run run(const QString &program, const QStringList &arguments);

    QTemporaryDir dir;
};

namespace {

// One line per request field, so that a table row can state what the options must give.
QString describe(const ImportRequest &request)
{
    QString text = request.input + QLatin1Char(' ') + request.output;
    const ImportOptions &options = request.options;
    if (options.raw) {
        const RawLayout &raw = *options.raw;
        text += QStringLiteral("; raw %1x%2x%3 %4 %5 +%6")
                    .arg(raw.sizes[0])
                    .arg(raw.sizes[1])
                    .arg(raw.sizes[2])
                    .arg(sampleTypeName(raw.type), raw.bigEndian ? QStringLiteral("big") : QStringLiteral("little"))
                    .arg(raw.offset);
    }
    if (options.mapping)
        text += QStringLiteral("; mapping %1").arg(int(*options.mapping));
    if (options.window)
        text += QStringLiteral("; window %1:%2").arg(options.window->first).arg(options.window->second);
    if (request.force)
        text += QStringLiteral("; force");
    return text;
}

ino_t inodeOf(const QString &path)
{
    struct stat status;
    return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

QString datImportPath()
{
    return QStringLiteral(DAT_IMPORT_PATH);
}

} // namespace

TestDatImport::Run TestDatImport::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000))
        return result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void TestDatImport::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    const QString files = QStringLiteral("in out.dat");
    auto args = [](const QString &text) { return (QStringLiteral("dat-import ") + text).split(QLatin1Char(' '), Qt::SkipEmptyParts); };

    QTest::newRow("no files") << args("") << "error: expected an input and an output file (see --help)";
    QTest::newRow("one file") << args("in") << "error: expected an input and an output file (see --help)";
    QTest::newRow("three files") << args("a b c") << "error: expected an input and an output file (see --help)";
    QTest::newRow("unknown option") << args("--bogus in out") << "error: Unknown option 'bogus'. (see --help)";
    QTest::newRow("plain") << args(files) << "in out.dat";
    QTest::newRow("force") << args("--force in out.raw") << "in out.raw; force";
    QTest::newRow("mapping hu") << args("--mapping hu " + files) << "in out.dat; mapping 0";
    QTest::newRow("mapping linear") << args("--mapping=linear " + files) << "in out.dat; mapping 3";
    QTest::newRow("mapping auto") << args("--mapping auto " + files) << "in out.dat";
    QTest::newRow("mapping unknown") << args("--mapping log " + files) << "error: --mapping log: expected auto, hu, x16, keep or linear";
    QTest::newRow("window negative") << args("--window -1000:2000 " + files) << "in out.dat; window -1000:2000";
    QTest::newRow("window fractions") << args("--window=-0.5:7.25 " + files) << "in out.dat; window -0.5:7.25";
    QTest::newRow("window empty") << args("--window 5:5 " + files)
                                  << "error: --window 5:5: expected LOW:HIGH with LOW below HIGH, such as -160:240";
    QTest::newRow("window one bound") << args("--window 5 " + files)
                                      << "error: --window 5: expected LOW:HIGH with LOW below HIGH, such as -160:240";
    QTest::newRow("window and mapping") << args("--window 0:1 --mapping hu " + files)
                                        << "error: --window and --mapping exclude each other";
    QTest::newRow("raw") << args("--raw 256x256x108 --type int16 " + files) << "in out.dat; raw 256x256x108 int16 little +0";
    QTest::newRow("raw commas, big, offset") << args("--raw 7,8,9 --type float64 --endian big --offset 352 " + files)
                                             << "in out.dat; raw 7x8x9 float64 big +352";
    QTest::newRow("raw two sizes") << args("--raw 256x256 --type int16 " + files)
                                   << "error: --raw 256x256: expected three sizes such as 256x256x108";
    QTest::newRow("raw without type") << args("--raw 1x2x3 " + files) << "error: --raw needs --type";
    QTest::newRow("raw bad type") << args("--raw 1x2x3 --type int64 " + files)
                                  << "error: --type int64: expected uint8, int8, uint16, int16, uint32, int32, float32 or float64";
    QTest::newRow("raw bad endian") << args("--raw 1x2x3 --type int16 --endian middle " + files)
                                    << "error: --endian middle: expected little or big";
    QTest::newRow("raw negative offset") << args("--raw 1x2x3 --type int16 --offset -3 " + files)
                                         << "error: --offset -3: expected a byte count";
    QTest::newRow("type without raw") << args("--type int16 " + files) << "error: --type describes headerless input and needs --raw";
    QTest::newRow("offset without raw") << args("--offset 4 " + files) << "error: --offset describes headerless input and needs --raw";
}

void TestDatImport::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QString outcome;
    try {
        const CommandLine commandLine = parseCommandLine(arguments);
        outcome = describe(commandLine.request);
    } catch (const ImportError &error) {
        outcome = QStringLiteral("error: ") + error.message();
    }
    QCOMPARE(outcome, expected);
}

void TestDatImport::help()
{
    for (const QString &option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Run result = run(datImportPath(), {option});
        QCOMPARE(result.status, 0);
        QVERIFY(result.out.startsWith("Usage: dat-import [options] INPUT OUTPUT.dat\n"));
        QVERIFY(result.out.contains("--window LOW:HIGH"));
        QVERIFY(result.err.isEmpty());
    }
}

void TestDatImport::rawConversion()
{
    QVector<double> values(60);
    for (int i = 0; i < 60; ++i)
        values[i] = i - 30;
    const QString input = dir.filePath(QStringLiteral("ct.raw"));
    const QString output = dir.filePath(QStringLiteral("ct.dat"));
    QVERIFY(writeFile(input, encodeSamples(values, SampleType::Int16, true)));
    const Run result = run(datImportPath(), {QStringLiteral("--raw"), QStringLiteral("3x4x5"), QStringLiteral("--type"),
                                             QStringLiteral("int16"), QStringLiteral("--endian"), QStringLiteral("big"),
                                             QStringLiteral("--window"), QStringLiteral("-30:29"), input, output});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    QCOMPARE(QString::fromUtf8(result.out),
             QStringLiteral("wrote %1: 3 x 4 x 5 from raw int16, values -30..29, mapping window -30..29\n").arg(output));
    const Dat dat = readDat(output);
    QVERIFY(dat.ok);
    for (int i = 0; i < 60; ++i)
        QCOMPARE(dat.samples[i], int(std::floor(i * 4095.0 / 59.0 + 0.5)));
}

// A refused input leaves an earlier output as it was and no temporary file beside it.
void TestDatImport::refusalKeepsEarlierOutput()
{
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("short.raw"));
    const QString output = folder.filePath(QStringLiteral("kept.dat"));
    QVERIFY(writeFile(input, QByteArray(59, '\0')));
    QVERIFY(writeFile(output, QByteArray("earlier")));
    const Run result = run(datImportPath(), {QStringLiteral("--raw"), QStringLiteral("3x4x5"), QStringLiteral("--type"),
                                             QStringLiteral("uint8"), input, output});
    QCOMPARE(result.status, 1);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(QString::fromUtf8(result.err),
             QStringLiteral("dat-import: %1: holds 59 bytes after byte 0; 3 x 4 x 5 uint8 samples need 60\n").arg(input));
    QFile kept(output);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             QStringList({QStringLiteral("kept.dat"), QStringLiteral("short.raw")}));
}

// GDCM aborts on an assertion on pydicom's dose grid without a frame count; the reader
// program converts, its end becomes the one line, and nothing is written.
void TestDatImport::aLibraryThatAbortsCostsOneLine()
{
    const QString dose = QStringLiteral("/usr/lib/python3/dist-packages/pydicom/data/test_files/rtdose_1frame.dcm");
    if (!QFile::exists(dose))
        QSKIP("python3-pydicom's test files are not installed");
    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("dose.dat"));
    const Run result = run(datImportPath(), {dose, output});
    QCOMPARE(result.status, 1);
    QVERIFY2(result.err.startsWith(QStringLiteral("dat-import: %1: the reader stopped on signal 6").arg(dose).toUtf8())
                 && result.err.count('\n') == 1,
             result.err);
    QVERIFY(QDir(folder.path()).isEmpty());
}

void TestDatImport::inputNeverOverwritten_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("reason");
    QTest::newRow("same file") << "ct.nii.gz" << "ct.nii.gz" << true << "ct.nii.gz: is the input";
    QTest::newRow("not .dat") << "ct.nii.gz" << "ct.raw" << false << "ct.raw: the output's name does not end in .dat";
    QTest::newRow("link to the input") << "ct.nii.gz" << "link.dat" << false << "link.dat: is the input";
    QTest::newRow("link to the folder") << "ct.nii.gz" << "folder-link/ct.nii.gz" << true << "is the input";
    QTest::newRow("data file of a .mhd") << "x.mhd" << "x.raw" << true << "x.raw: is the input";
    QTest::newRow("data file named .dat") << "y.mhd" << "y.dat" << false << "y.dat: is the input";
    QTest::newRow("image of a .hdr") << "p.hdr" << "p.img" << true << "p.img: is the input";
    QTest::newRow("file of a DICOM series") << "series" << "series/s62_0.dcm" << true << "s62_0.dcm: is the input";
}

// The output may never be the input or any file the input names, however it is reached;
// the refusal comes before anything is written, and every input file stays as it was.
void TestDatImport::inputNeverOverwritten()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, force);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    const QDir here(folder.path());
    const QByteArray samples(3 * 4 * 5, '\x20');
    const int sizes[3] = {3, 4, 5};
    QVERIFY(writeFile(here.filePath(QStringLiteral("ct.nii.gz")), gzip(nifti(sizes, SampleType::UInt8, false, samples))));
    QVERIFY(QFile::link(here.filePath(QStringLiteral("ct.nii.gz")), here.filePath(QStringLiteral("link.dat"))));
    QVERIFY(QFile::link(folder.path(), here.filePath(QStringLiteral("folder-link"))));
    const QByteArray mhd("NDims = 3\nDimSize = 3 4 5\nElementType = MET_UCHAR\nElementDataFile = ");
    QVERIFY(writeFile(here.filePath(QStringLiteral("x.mhd")), mhd + "x.raw\n") && writeFile(here.filePath(QStringLiteral("x.raw")), samples));
    QVERIFY(writeFile(here.filePath(QStringLiteral("y.mhd")), mhd + "y.dat\n") && writeFile(here.filePath(QStringLiteral("y.dat")), samples));
    QByteArray header = nifti(sizes, SampleType::UInt8, false, QByteArray()).left(348);
    header.replace(344, 4, QByteArray("ni1\0", 4));
    putNumber(&header, 108, 0, 4, false);
    QVERIFY(writeFile(here.filePath(QStringLiteral("p.hdr")), header) && writeFile(here.filePath(QStringLiteral("p.img")), samples));
    if (input == QLatin1String("series")) {
        QVERIFY(here.mkdir(input));
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(MAKE_DICOM_SERIES_PATH), QStringLiteral("signed"), here.filePath(input)});
        if (!python.waitForFinished(60000) || python.exitCode() != 0)
            QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the series");
    }
    QMap<QString, QByteArray> before;
    for (const QFileInfo &file : QDir(folder.path()).entryInfoList(QDir::Files)) {
        QFile f(file.filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        before.insert(file.fileName(), f.readAll());
    }
    QStringList arguments{here.filePath(input), here.filePath(output)};
    if (force)
        arguments.prepend(QStringLiteral("--force"));
    const Run result = run(datImportPath(), arguments);
    QCOMPARE(result.status, 1);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(result.err.startsWith("dat-import: ") && result.err.count('\n') == 1 && result.err.contains(reason.toUtf8()),
             result.err.constData());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        QFile f(here.filePath(it.key()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY2(f.readAll() == it.value(), qPrintable(it.key()));
    }
    QVERIFY(QFileInfo(here.filePath(QStringLiteral("link.dat"))).isSymLink());
}

// 256 x 256 x 520 bytes is just over the 32 MiB from which reading reports progress.
void TestDatImport::progressLine()
{
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("big.raw"));
    const QString output = folder.filePath(QStringLiteral("big.dat"));
    QVERIFY(writeFile(input, QByteArray(256 * 256 * 520, '\x10')));
    const Run result = run(datImportPath(), {QStringLiteral("--raw"), QStringLiteral("256x256x520"), QStringLiteral("--type"),
                                             QStringLiteral("uint8"), input, output});
    QCOMPARE(result.status, 0);
    const QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("reading %1: 10% 20% 30% 40% 50% 60% 70% 80% 90% 100%").arg(input));
    QCOMPARE(lines[1], QStringLiteral("wrote %1: 256 x 256 x 520 from raw uint8, values 16..16, mapping linear 16..16").arg(output));
    QCOMPARE(QFileInfo(output).size(), qint64(6 + 2 * 256 * 256 * 520));
}

// Converts the real head CT once and leaves it alone on the next run.
void TestDatImport::defaultVolumeScript()
{
    if (!QFile::exists(QStringLiteral("/usr/share/doc/invesalius-examples/examples/Cranium.inv3")))
        QSKIP("the package invesalius-examples is not installed");
    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("run/lobster.dat"));
    const Run first = run(QStringLiteral(MAKE_DEFAULT_VOLUME_PATH), {output, datImportPath()});
    QCOMPARE(first.err, QByteArray());
    QCOMPARE(first.status, 0);
    const Dat dat = readDat(output);
    QVERIFY(dat.ok);
    QCOMPARE(dat.sizes[0], 256);
    QCOMPARE(dat.sizes[1], 256);
    QCOMPARE(dat.sizes[2], 108);
    const auto [lowest, highest] = std::minmax_element(dat.samples.cbegin(), dat.samples.cend());
    QCOMPARE(*lowest, 0);
    QVERIFY(*highest > 1024 + 1500 && *highest <= 4095);

    // A time of the test's own, newer than the importer's: a second run that wrote the file
    // again would leave a new file with a time of its own.
    const QDateTime stamped = QFileInfo(datImportPath()).lastModified().addSecs(3600);
    {
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.setFileTime(stamped, QFileDevice::FileModificationTime));
    }
    const ino_t inode = inodeOf(output);
    const Run second = run(QStringLiteral(MAKE_DEFAULT_VOLUME_PATH), {output, datImportPath()});
    QCOMPARE(second.status, 0);
    QCOMPARE(second.out, QByteArray());
    QCOMPARE(QFileInfo(output).lastModified(), stamped);
    QCOMPARE(inodeOf(output), inode);
}

QTEST_GUILESS_MAIN(TestDatImport)
#include "tst_datimport.moc"
