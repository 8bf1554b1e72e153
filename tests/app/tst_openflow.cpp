#include "ConsoleCapture.h"
#include "ReaderProcess.h"
#include "VolumeFiles.h"
#include "DatVolumeFiles.h"
#include "FileDialogDriver.h"
#include "GLAvailability.h"
#include "ScratchWorkingDirectory.h"
#include "StopsFile.h"
#include "VolumeReader.h"
#include "WindowProbe.h"
#include "WindowTestCase.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTest>

#include <chrono>
#include <memory>
#include <thread>

namespace {

// Stands in for the import layer: a ball from a formula, read in steps that report progress
// and give up when cancelled, or a refusal.
struct FakeReader
{
    std::string format = "NIfTI";
    int sizeX = 32, sizeY = 32, sizeZ = 16;
    double spacingX = 0.5, spacingY = 0.5, spacingZ = 2.0;
    bool spacingKnown = true;
    int steps = 2;
    int stepMilliseconds = 1;
    std::string refusal;
    std::shared_ptr<std::atomic<int>> stepsRun = std::make_shared<std::atomic<int>>(0);

    // A path with "quick" in it reads in two steps.
    ImportResult operator()(const QString &path, const ImportOptions &, const ReadProgress &progress, const std::atomic<bool> &cancel) const
    {
        const int stepCount = path.contains("quick") ? 2 : steps;
        ImportResult read;
        for (int step = 0; step < stepCount && !cancel; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(stepMilliseconds));
            ++*stepsRun;
            progress(double(step + 1) / stepCount);
        }
        if (!refusal.empty()) {
            read.refusal = refusal;
            return read;
        }
        read.format = format;
        read.sizeX = sizeX;
        read.sizeY = sizeY;
        read.sizeZ = sizeZ;
        read.spacing = {spacingX, spacingY, spacingZ, spacingKnown};
        std::vector<uint16_t> samples;
        samples.reserve(size_t(sizeX) * sizeY * sizeZ);
        for (int z = 0; z < sizeZ; ++z)
            for (int y = 0; y < sizeY; ++y)
                for (int x = 0; x < sizeX; ++x)
                    samples.push_back(ballSample(x, y, z, sizeX, sizeY, sizeZ));
        read.samples = SampleBuffer(std::move(samples));
        return read;
    }
};

void drop(QWidget *target, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}

const QGradientStops redToBlue{QGradientStop(0.0, QColor(255, 0, 0, 255)), QGradientStop(1.0, QColor(0, 0, 255, 255))};

} // namespace

// Opening anything but `.dat` through the reader, end to end: from the command line, the
// dialog and a drop; cancelling; refusals.
class TestOpenFlow : public WindowTestCase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    void init()
    {
        makeWorkDir();
    }
    void cleanup()
    {
        tearDown();
    }

    void opensFromTheCommandLineWithItsStops()
    {
        startWindow(FakeReader());
        QVERIFY(writeBytes("head.nii.gz.stops", StopsFile::encode(redToBlue)));
        const QString path = workDir->filePath("head.nii.gz");
        ConsoleCapture console;
        window->openAfterStart(path);
        QTRY_COMPARE(window->windowTitle(), QString("Dichtenschau [head.nii.gz]"));
        const QString text = console.text();
        QVERIFY2(text.startsWith("loading " + path + " (NIfTI, 32 x 32 x 16, spacing 0.5 x 0.5 x 2 mm)\n"), qPrintable(text));
        QVERIFY2(text.contains("\nHistogram size: ") && text.contains("\nVolume density: "), qPrintable(text));
        QCOMPARE(window->stopsFileName(), QString("head.nii.gz.stops"));
        const Volume *volume = WindowProbe::volume(*window);
        QCOMPARE(WindowProbe::editor(*window)->transferTable()[volume->densityMin], 0xFFFF0000u);
        QCOMPARE(WindowProbe::status(*window), path + QString(": 32 x 32 x 16 voxels, values %1 - %2")
                                                          .arg(volume->densityMin)
                                                          .arg(volume->densityMax));
    }

    // The program itself, given a path: it opens it once the start-up volume is shown.
    void theProgramOpensTheVolumeNamedOnItsCommandLine()
    {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(DICHTENSCHAU_PROGRAM, {workDir->filePath("ramp.dat")});
        QVERIFY(program.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += program.readAll()).count("Volume density") == 2, 20000);
        program.kill();
        program.waitForFinished();
        QVERIFY2(output.contains("loading lobster.dat (32 x 32 x 32) [done]\n"), output.constData());
        QVERIFY2(output.contains("loading " + QFile::encodeName(workDir->filePath("ramp.dat")) + " (16 x 16 x 16) [done]\n"),
                 output.constData());
    }

    void opensThroughTheDialog()
    {
        FakeReader reader;
        reader.format = "MetaImage";
        reader.spacingKnown = false;
        startWindow(reader);
        QVERIFY(writeBytes("scan.mha", "stand-in"));
        ConsoleCapture console;
        FileDialogDriver driver(workDir->filePath("scan.mha"));
        QTest::mouseClick(WindowProbe::loadButton(*window), Qt::LeftButton);
        QTRY_COMPARE(window->windowTitle(), QString("Dichtenschau [scan.mha]"));
        QVERIFY(console.text().startsWith("loading " + workDir->filePath("scan.mha") + " (MetaImage, 32 x 32 x 16, no spacing given)\n"));
        QCOMPARE(window->stopsFileName(), QString("scan.mha.stops"));
    }

    void opensADroppedFolder()
    {
        FakeReader reader;
        reader.format = "DICOM";
        startWindow(reader);
        QVERIFY(QDir().mkdir("series"));
        ConsoleCapture console;
        drop(window.get(), workDir->filePath("series"));
        QTRY_COMPARE(window->windowTitle(), QString("Dichtenschau [series]"));
        QVERIFY(console.text().startsWith("loading " + workDir->filePath("series") + " (DICOM, "));
        QCOMPARE(window->stopsFileName(), QString("series.stops"));
    }

    void cancellingKeepsThePreviousVolume()
    {
        FakeReader reader;
        reader.steps = 400;
        reader.stepMilliseconds = 10;
        startWindow(reader);
        const Shown before = openRamp();
        ConsoleCapture console;
        window->openAfterStart(workDir->filePath("slow.nrrd"));
        auto *progress = window->findChild<QProgressBar *>();
        QTRY_VERIFY(progress->isVisible() && progress->value() > 0);

        QPushButton *cancel = findButton("Cancel");
        QVERIFY(cancel && cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY(!progress->isVisible());
        QVERIFY(*reader.stepsRun < reader.steps);
        QVERIFY(!console.text().contains("loading"));
        QVERIFY(!QFile::exists("slow.nrrd.stops"));
        expectUnchanged(before);
    }

    // Whatever the new open is, the running read ends at once with a line naming both, its
    // open ends unopened, and its result, when its worker gets there, changes nothing.
    void aNewOpenWinsOverTheRunningOne_data()
    {
        QTest::addColumn<QString>("next");
        QTest::newRow("a .dat file") << "ramp.dat";
        QTest::newRow("another read") << "quick.nii";
    }
    void aNewOpenWinsOverTheRunningOne()
    {
        QFETCH(QString, next);
        FakeReader reader;
        reader.steps = 400;
        reader.stepMilliseconds = 10;
        startWindow(reader);
        const QString slow = workDir->filePath("slow.nrrd");
        window->openAfterStart(slow);
        auto *progress = window->findChild<QProgressBar *>();
        QTRY_VERIFY(progress->isVisible() && progress->value() > 0);

        QSignalSpy finished(window.get(), &Window::openFinished);
        ConsoleCapture console;
        drop(window.get(), workDir->filePath(next));
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished[0][0].toBool(), false);
        QCOMPARE(finished[1][0].toBool(), true);
        QVERIFY2(console.text().startsWith("Cancelled opening " + slow + " to open " + workDir->filePath(next) + "\n"),
                 qPrintable(console.text()));
        QCOMPARE(window->windowTitle(), "Dichtenschau [" + next + "]");

        // Every worker done and its result reported; then whatever they queued is delivered.
        QVERIFY(QThreadPool::globalInstance()->waitForDone(20000));
        QVERIFY(*reader.stepsRun < reader.steps + 2);
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 2);
        QCOMPARE(window->windowTitle(), "Dichtenschau [" + next + "]");
        QVERIFY(!progress->isVisible());
    }

    void closingTheWindowWhileReadingStopsTheRead()
    {
        FakeReader reader;
        reader.steps = 400;
        reader.stepMilliseconds = 10;
        startWindow(reader);
        window->openAfterStart(workDir->filePath("slow.nrrd"));
        QTRY_VERIFY(*reader.stepsRun > 0);
        window.reset();
        QVERIFY(*reader.stepsRun < reader.steps);
    }

    // The import layer behind the window, on a file another program wrote: what it reads
    // arrives whole, its refusal drops the path that the window's line names already, and the
    // window's cancel reaches it.
    void theImportingReaderReadsRefusesAndStops_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("refusal");
        const QString ctSmall = "/usr/lib/python3/dist-packages/pydicom/data/test_files/CT_small.dcm";
        QTest::newRow("DICOM file") << ctSmall << false << QString();
        QTest::newRow("cancelled") << ctSmall << true << "opening cancelled";
        QTest::newRow("folder without DICOM") << "empty" << false << "the folder holds no DICOM images";
    }
    void theImportingReaderReadsRefusesAndStops()
    {
        QFETCH(QString, path);
        QFETCH(bool, cancel);
        QFETCH(QString, refusal);
        if (path.startsWith('/') && !QFile::exists(path))
            QSKIP("python3-pydicom's test files are not installed");
        if (!path.startsWith('/')) {
            QVERIFY(QDir().mkdir(path));
            path = workDir->filePath(path);
        }
        const std::atomic<bool> cancelled(cancel);
        const ImportResult read = processVolumeReader()(path, ImportOptions(), [](double) {}, cancelled);
        QCOMPARE(QString::fromStdString(read.refusal), refusal);
        if (refusal.isEmpty()) {
            QCOMPARE(read.format, std::string("DICOM"));
            QCOMPARE(read.sizeX * read.sizeY * read.sizeZ, 128 * 128);
            QCOMPARE(read.samples.size(), size_t(128 * 128));
            QVERIFY(read.spacing.known && read.spacing.z > 0.0);
        }
    }

    // The reader program misbehaving on purpose at its first report of progress, or on a file
    // that makes GDCM abort on an assertion: the viewer lives on, says why in one line, keeps
    // what it showed, and the next open works.
    void aMisbehavingReaderCostsOnlyItsOpen_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("abort") << QByteArray("abort") << QString() << "the reader stopped on signal 6";
        QTest::newRow("crash") << QByteArray("crash") << QString() << "the reader stopped on signal 11";
        QTest::newRow("killed") << QByteArray("kill") << QString() << "the reader stopped on signal 9";
        QTest::newRow("no progress") << QByteArray("hang") << QString() << "the reader made no progress for 2 seconds";
        QTest::newRow("beyond its memory") << QByteArray("memory") << QString() << "not enough memory";
        QTest::newRow("an answer that cannot be read") << QByteArray("garbage") << QString()
                                                       << "the reader's answer cannot be read";
        QTest::newRow("dose grid without a frame count") << QByteArray() << "rtdose_1frame.dcm" << "the reader stopped on signal 6";
    }
    void aMisbehavingReaderCostsOnlyItsOpen()
    {
        QFETCH(QByteArray, fault);
        QFETCH(QString, file);
        QFETCH(QString, reason);
#ifdef __SANITIZE_ADDRESS__
        if (fault == "memory")
            QSKIP("the reader's memory limit is off under AddressSanitizer, which reserves terabytes");
        // The sanitizer would report the crash and exit instead of ending on the signal.
        qputenv("ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":handle_segv=0");
#endif
        // A fault of the test's own misbehaves on a volume the test writes; the dose grid is
        // pydicom's file that makes GDCM itself abort in the shipped reader.
        const QString pydicomFiles = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";
        const bool ownFault = !fault.isEmpty();
        const QString path = ownFault ? writeSmallNifti("small.nii") : pydicomFiles + file;
        if (!QFile::exists(path))
            QSKIP("python3-pydicom's test files are not installed");
        startWindow(processVolumeReader(std::chrono::seconds(2),
                                        ownFault ? QString(MISBEHAVING_READER_PATH) : ReaderProcess::defaultProgram()));
        const Shown before = openRamp();
        {
            qputenv("MISBEHAVING_READER_FAULT", fault);
            const auto healed = qScopeGuard([] { qunsetenv("MISBEHAVING_READER_FAULT"); });
            ConsoleCapture console;
            QVERIFY(!WindowProbe::openVolume(*window, path));
            // A library's last words may follow the reason.
            QVERIFY2(console.text().startsWith("Can't load " + path + ": " + reason), qPrintable(console.text()));
            QCOMPARE(console.text().count('\n'), 1);
            QVERIFY(console.text().endsWith('\n'));
        }
        QVERIFY(WindowProbe::status(*window).startsWith("Can't load " + path + ": " + reason));
        expectUnchanged(before);
        const QString next = ownFault ? path : pydicomFiles + "CT_small.dcm";
        QVERIFY(WindowProbe::openVolume(*window, next));
        QCOMPARE(window->windowTitle(), "Dichtenschau [" + QFileInfo(next).fileName() + "]");
    }

    void aRefusalShowsInTheWindowAndKeepsEverything()
    {
        FakeReader reader;
        reader.refusal = "slice 7 of 20 is cut short";
        startWindow(reader);
        const Shown before = openRamp();
        ConsoleCapture console;
        const QString path = workDir->filePath("cut.dcm");
        window->openAfterStart(path);
        QTRY_VERIFY(WindowProbe::status(*window).startsWith("Can't load"));
        // The line repeats the console's.
        QCOMPARE(console.text(), "Can't load " + path + ": slice 7 of 20 is cut short\n");
        QCOMPARE(WindowProbe::status(*window), "Can't load " + path + ": slice 7 of 20 is cut short");
        QVERIFY(!QFile::exists("cut.dcm.stops"));
        expectUnchanged(before);
    }

private:
    struct Shown
    {
        const Volume *volume;
        QString title;
        QByteArray stops;
    };

    // A first volume of known stops, to see that later opens keep it.
    Shown openRamp()
    {
        QFile::remove("ramp.dat.stops");
        if (!writeBytes("ramp.dat.stops", StopsFile::encode(redToBlue)))
            return {};
        if (!WindowProbe::openVolume(*window, workDir->filePath("ramp.dat")))
            return {};
        return {WindowProbe::volume(*window), window->windowTitle(), fileBytes("ramp.dat.stops")};
    }
    // A NIfTI volume of 8 x 8 x 8 ramps, written from the format's own description.
    QString writeSmallNifti(const QString &name) const
    {
        const int sizes[3] = {8, 8, 8};
        QVector<double> values;
        for (int i = 0; i < 8 * 8 * 8; ++i)
            values.append(i % 64);
        const QString path = workDir->filePath(name);
        VolumeFiles::writeFile(path, VolumeFiles::nifti(sizes, SampleType::Int16, false,
                                                        VolumeFiles::encodeSamples(values, SampleType::Int16, false)));
        return path;
    }
    void expectUnchanged(const Shown &before)
    {
        QCOMPARE(WindowProbe::volume(*window), before.volume);
        QCOMPARE(window->windowTitle(), before.title);
        QCOMPARE(window->stopsFileName(), QString("ramp.dat.stops"));
        QCOMPARE(fileBytes("ramp.dat.stops"), before.stops);
    }
    QPushButton *findButton(const QString &text) const
    {
        for (QPushButton *button : window->findChildren<QPushButton *>())
            if (button->text() == text)
                return button;
        return nullptr;
    }
};

QTEST_MAIN(TestOpenFlow)
#include "tst_openflow.moc"
