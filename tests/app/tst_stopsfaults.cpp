#include "GLAvailability.h"
#include "ScratchWorkingDirectory.h"
#include "ConsoleCapture.h"
#include "ScratchMount.h"
#include "StopsFile.h"
#include "StopsVersions.h"
#include "DatVolumeFiles.h"
#include "WindowProbe.h"
#include "WindowTestCase.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Stops an editor keeps as they are given: one per column step of its alpha curve.
QGradientStops editorStops(int count, int alpha)
{
    QGradientStops stops;
    for (int i = 0; i < count; ++i)
        stops.append(QGradientStop(double(i) / (count - 1), QColor(255, 255, 255, i % 2 ? alpha : 0)));
    return stops;
}

} // namespace

// The stops file under faults: the program killed in the middle of its saves, a full disk,
// a file size limit and a read-only working directory. The file on disk is always a whole
// version the program wrote, and a failing save costs one console line, not the program.
class TestStopsFaults : public WindowTestCase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }
    void init()
    {
        makeWorkDir();
    }
    void cleanup()
    {
        tearDown();
    }

    // Each round starts the program, lets it rewrite the stops file in a tight loop and kills
    // it at a random moment. What survives must be one whole version of this round, and the
    // reader must find exactly it by the file's name, whatever temporary files were left.
    void killedWhileSavingLeavesAWholeEarlierVersion()
    {
        const QString driver = QCoreApplication::applicationDirPath() + "/stops_edit_driver";
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("kill delays drawn with seed %u", seed);
        constexpr int rounds = 50;
        quint64 saved = 0;
        for (int round = 0; round < rounds; ++round) {
            const uint32_t first = uint32_t(round) * 1000000u;
            QProcess child;
            child.setWorkingDirectory(workDir->path());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("XDG_RUNTIME_DIR", workDir->path());
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(driver, {workDir->filePath("ramp.dat"), QString::number(first)});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            QByteArray out;
            while (!out.contains("ready\n") && child.waitForReadyRead(30000))
                out += child.readAllStandardOutput();
            if (!out.contains("ready\n")) {
                child.waitForFinished();
                QFAIL(qPrintable("round " + QString::number(round) + ": the program never got ready:\n" + out));
            }
            QThread::usleep(random.bounded(50000u));
            QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
            QVERIFY(child.waitForFinished());
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const QByteArray bytes = fileBytes("ramp.dat.stops");
            const QString where = QString("round %1, %2 bytes").arg(round).arg(bytes.size());
            QVERIFY2(bytes.size() > 0 && bytes.size() % StopsFile::recordSize == 0, qPrintable(where));
            const StopsFile::Decoded decoded = StopsFile::decode(bytes);
            QVERIFY2(decoded.skipped == 0, qPrintable(where));
            const std::optional<uint32_t> number = StopsVersions::numberOf(decoded.stops);
            QVERIFY2(number && *number >= first, qPrintable(where + ": not a version of this round"));
            QCOMPARE(bytes, StopsFile::encode(StopsVersions::version(*number)));
            QGradientStops read;
            QCOMPARE(StopsFile::read("ramp.dat.stops", read), StopsFile::ReadResult::Read);
            QCOMPARE(read, decoded.stops);
            saved += *number - first + 1;
        }
        const QStringList stopsFiles = QDir().entryList({"*.stops"}, QDir::Files);
        QCOMPARE(stopsFiles, QStringList{"ramp.dat.stops"});
        const QStringList leftovers = QDir().entryList({"ramp.dat.stops?*"}, QDir::Files | QDir::Hidden);
        qInfo("%d kills after %llu saves; temporary files left: %lld", rounds, saved, qlonglong(leftovers.size()));
    }

    void fullDiskKeepsThePreviousFile()
    {
        QVERIFY(QDir().mkdir("disk"));
        // Two pages: one for the stops file, one for its replacement while it is written.
        const std::unique_ptr<ScratchMount> disk = ScratchMount::tmpfs(workDir->filePath("disk"), 8);
        if (!disk)
            QSKIP("no privileges to mount a tmpfs");
        savingFailsAndRecovers("disk", [] {
            QFile filler("filler");
            return filler.open(QIODevice::WriteOnly) && filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush();
        }, [] { return QFile::remove("filler"); }, "No space left on device");
    }

    // Needs no privileges: a file size limit makes writes fail as on a full disk.
    void fileSizeLimitKeepsThePreviousFile()
    {
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        savingFailsAndRecovers(".", [&] {
            rlimit limited = saved;
            limited.rlim_cur = 1000;
            return setrlimit(RLIMIT_FSIZE, &limited) == 0;
        }, [&] { return setrlimit(RLIMIT_FSIZE, &saved) == 0; }, "File too large");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

    void readOnlyDirectoryKeepsThePreviousFile()
    {
        QVERIFY(QDir().mkdir("locked"));
        std::unique_ptr<ScratchMount> mount;
        const QString folder = workDir->filePath("locked");
        // Permissions do not stop a privileged user; a read-only mount stops everyone.
        const bool privileged = geteuid() == 0;
        savingFailsAndRecovers("locked", [&] {
            if (!privileged)
                return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            mount = ScratchMount::readOnly(folder);
            return mount != nullptr;
        }, [&] {
            if (!privileged)
                return QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            mount.reset();
            return true;
        }, privileged ? "Read-only file system" : "Permission denied");
    }

private:
    // Opens the volume with `folder` as the working directory, saves a version, breaks the
    // folder, makes two edits, mends it and makes a third. Both failing edits leave the
    // version on disk, the first prints one line with `reason`, the second nothing; the
    // window keeps following the edits all along; the third edit is saved.
    void savingFailsAndRecovers(const QString &folder, const std::function<bool()> &breakIt,
                                const std::function<bool()> &mendIt, const QString &reason)
    {
        startWindow();
        QVERIFY(QDir::setCurrent(folder));
        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        QVERIFY(WindowProbe::volume(*window));
        GradientEditor *editor = WindowProbe::editor(*window);
        WindowProbe::editStops(*window, editorStops(3, 255));
        const QByteArray kept = fileBytes("ramp.dat.stops");
        QVERIFY(!kept.isEmpty());
        const std::vector<quint32> keptTable(editor->transferTable(), editor->transferTable() + 4096);

        if (!breakIt())
            QSKIP("the folder could not be made to fail here");
        QString printed, printedTwice;
        std::vector<quint32> failedTable;
        {
            ConsoleCapture console;
            // 60 and 50 stops take 1440 and 1200 bytes, more than the size limit lets a file grow.
            WindowProbe::editStops(*window, editorStops(60, 200));
            printed = console.text();
            failedTable.assign(editor->transferTable(), editor->transferTable() + 4096);
            WindowProbe::editStops(*window, editorStops(50, 100));
            printedTwice = console.text();
        }
        const QStringList leftovers = QDir().entryList({"ramp.dat.stops?*"}, QDir::Files | QDir::Hidden);
        const QByteArray afterFailures = fileBytes("ramp.dat.stops");
        QVERIFY(mendIt());

        QCOMPARE(printed, "Can't save the transfer function to ramp.dat.stops: " + reason + "\n");
        QCOMPARE(printedTwice, printed);
        QCOMPARE(afterFailures, kept);
        QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(", ")));
        QVERIFY(failedTable != keptTable);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));

        WindowProbe::editStops(*window, editorStops(4, 50));
        QCOMPARE(StopsFile::decode(fileBytes("ramp.dat.stops")).stops.size(), 4);
    }
};

QTEST_MAIN(TestStopsFaults)
#include "tst_stopsfaults.moc"
