#include <GL/glew.h>

#include "GLAvailability.h"
#include "ScratchWorkingDirectory.h"
#include "ConsoleCapture.h"
#include "ShadeWidget.h"
#include "StopsFile.h"
#include "DatVolumeFiles.h"
#include "WindowProbe.h"
#include "WindowTestCase.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The length of a file that holds every sample its header's sizes call for.
off_t sparseLength(const QByteArray &header)
{
    const auto size = [&](int i) { return off_t(quint8(header[2 * i]) | quint8(header[2 * i + 1]) << 8); };
    return 6 + 2 * size(0) * size(1) * size(2);
}

QByteArray record(double position, int model, quint16 alpha)
{
    return StopsFile::encode({QGradientStop(position, QColor::fromRgba64(0xFFFF, 0x8000, 0, alpha))}).replace(8, 1, QByteArray(1, char(model)));
}

// What the window shows and keeps: compared before and after a bad input.
struct Shown
{
    const Volume *volume;
    QString title;
    QString stopsFileName;
    QByteArray stops;
    std::vector<quint32> table;
    QImage frame;
};

} // namespace

// Every bad input the program is known to meet, given to the whole program: what it prints,
// and that it keeps running with what it showed before. The README's table of bad inputs
// names these tests.
class TestBadInputs : public WindowTestCase
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
        startWindow();
    }
    void cleanup()
    {
        tearDown();
    }

    void refusedVolumeLeavesThePreviousOneOnScreen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        QTest::newRow("missing file") << "none" << QByteArray() << "Can't open file %1\n";
        // A folder is a series for the reader, whose refusal the window reports.
        QTest::newRow("directory") << "folder" << QByteArray() << "Can't load %1: %2\n";
        QTest::newRow("named pipe") << "fifo" << QByteArray() << "Can't load %1: not a regular file\n";
        // A device under a volume's name.
        QTest::newRow("device") << "device" << QByteArray() << "Can't load %1: not a regular file\n";
        QTest::newRow("empty file") << "file" << QByteArray() << "Can't load %1: the file is shorter than its 6-byte header\n";
        QTest::newRow("truncated header") << "file" << datHeader(16, 16, 16).left(5)
                                          << "Can't load %1: the file is shorter than its 6-byte header\n";
        QTest::newRow("truncated samples") << "file" << datHeader(4, 4, 4) + QByteArray(100, '\1')
                                           << "Can't load %1 (4 x 4 x 4): the file holds 106 bytes, its sizes need 134\n";
        QTest::newRow("zero sizes") << "file" << datHeader(0, 0, 0)
                                    << "Can't load %1 (0 x 0 x 0): a size of 0 leaves no samples\n";
        QTest::newRow("one zero size") << "file" << datHeader(16, 16, 0) + QByteArray(512, '\1')
                                       << "Can't load %1 (16 x 16 x 0): a size of 0 leaves no samples\n";
        QTest::newRow("absurd sizes, tiny file") << "file" << datHeader(65535, 65535, 65535) + QByteArray(4, '\1')
                                                 << "Can't load %1 (65535 x 65535 x 65535): the file holds 10 bytes, its "
                                                    "sizes need 562924184010756\n";
        // Sparse files as long as their sizes need, so only the sizes themselves are wrong.
        QTest::newRow("odd sizes at the 16-bit limit") << "sparse" << datHeader(65535, 65535, 2)
                                                       << "Can't load %1 (65535 x 65535 x 2): the adjusted grid of 65536 "
                                                          "x 65536 exceeds 16-bit sizes\n";
        QTest::newRow("more voxels than a volume counts") << "sparse" << datHeader(65534, 65534, 1)
                                                          << "Can't load %1 (65534 x 65534 x 1): 4294705156 voxels are "
                                                             "more than the 2147483647 a volume can count\n";
    }
    void refusedVolumeLeavesThePreviousOneOnScreen()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        const QString path = workDir->filePath("bad.dat");
        if (kind == "folder")
            QVERIFY(QDir().mkdir("bad.dat"));
        else if (kind == "fifo")
            QCOMPARE(mkfifo("bad.dat", 0600), 0);
        else if (kind == "device")
            QVERIFY(QFile::link("/dev/zero", "bad.dat"));
        else if (kind == "file")
            QVERIFY(writeBytes(path, content));
        else if (kind == "sparse")
            QVERIFY(writeBytes(path, content) && truncate("bad.dat", sparseLength(content)) == 0);
        const QString name = QFile::encodeName(path);
        expectRefusal(path, kind == "folder" ? line.arg(name, readerRefusal(path)) : line.arg(name));
    }

    void unreadableVolumeLeavesThePreviousOneOnScreen()
    {
        QVERIFY(writeVolumeFile("locked.dat", 16, 16, 16, rampSample));
        QVERIFY(QFile::setPermissions("locked.dat", QFileDevice::Permissions()));
        // Permissions do not stop a privileged user: open as nobody for the moment.
        const bool privileged = geteuid() == 0;
        if (privileged && seteuid(65534) != 0)
            QSKIP("running privileged without the right to drop privileges");
        const int probe = ::open("locked.dat", O_RDONLY);
        if (probe >= 0)
            ::close(probe);
        const bool readable = probe >= 0;
        if (privileged)
            QCOMPARE(seteuid(0), 0);
        if (readable)
            QSKIP("permissions do not stop this user");
        const QString path = workDir->filePath("locked.dat");
        expectRefusal(path, "Can't open file " + path + "\n", [&] {
            if (privileged && seteuid(65534) != 0)
                return;
            WindowProbe::openVolume(*window, path);
            if (privileged)
                seteuid(0);
        });
    }

    // A whole-body CT can exceed the GL's largest 3D texture; it is shown at a coarser grid
    // with a line that says so, its samples kept whole.
    void volumeOverTheTextureLimitOpensAtACoarserGrid()
    {
        GLWidget *view = WindowProbe::view(*window);
        view->makeCurrent();
        GLint limit = 0;
        glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &limit);
        view->doneCurrent();
        if (limit <= 0 || limit + 2 > 65535)
            QSKIP("no GL limit that a file's sizes can exceed");
        QVERIFY(writeVolumeFile("wide.dat", limit + 2, 2, 2, [](int x, int, int) { return uint16_t(x % 4000); }));
        QCOMPARE(printedByOpen(workDir->filePath("wide.dat")),
                 QString("Showing %1 x 2 x 2 of %2 x 2 x 2 samples, each the mean of up to 2 x 1 x 1: the GL cannot "
                         "hold the whole grid as a 3D texture\n")
                     .arg((limit + 2) / 2)
                     .arg(limit + 2));
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [wide.dat]"));
        QCOMPARE(view->volume()->sizeX, limit + 2);
    }

    // A name in an 8-bit encoding is not valid UTF-8; the toolkit's decoding of it, which is
    // what a file dialog hands over, cannot be turned back into the bytes on disk.
    void fileNameNotInUtf8IsReportedAndChangesNothing()
    {
        const QByteArray latin1Name = QFile::encodeName(workDir->path()) + "/Sch\xe4""del.dat";
        const QByteArray bytes = datHeader(16, 16, 16) + QByteArray(16 * 16 * 16 * 2, '\x10');
        const int fd = ::open(latin1Name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(fd);
        const QString path = QFile::decodeName(latin1Name);
        const bool roundTrips = QFile::encodeName(path) == latin1Name;
        if (!roundTrips)
            expectRefusal(path, "Can't open file " + QString::fromUtf8(QFile::encodeName(path)) + "\n");
        // The toolkit cannot name the file to remove it either.
        QCOMPARE(::unlink(latin1Name.constData()), 0);
        if (roundTrips)
            QSKIP("this locale turns the name back into its bytes");
    }

    void damagedStopsFilesAreReadAsFarAsTheyGo_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("announced");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const QByteArray two = record(0.0, 1, 0) + record(1.0, 1, 0xFFFF);
        QTest::newRow("empty") << QByteArray() << QString() << 0;
        QTest::newRow("shorter than a record") << two.left(23) << QString() << 0;
        QTest::newRow("odd size") << two + QByteArray("\7\7", 2) << QString() << 2;
        QTest::newRow("NaN and infinite positions") << record(nan, 1, 5) + two + record(inf, 1, 5)
                                                    << "Skipping 2 damaged stop record(s) in ramp.dat.stops\n" << 2;
        QTest::newRow("unknown colour model") << record(0.5, 9, 5) + two
                                              << "Skipping 1 damaged stop record(s) in ramp.dat.stops\n" << 2;
        QTest::newRow("positions far outside 0..1") << record(-1e300, 1, 5) + record(0.5, 1, 0xFFFF) + record(1e300, 1, 5)
                                                    << QString() << 3;
        QByteArray huge;
        for (int i = 0; i < 5000; ++i)
            huge += record(i / 4999.0, 1, quint16(i * 13));
        QTest::newRow("huge") << huge << "ramp.dat.stops holds 5000 stops; using the first 4096\n" << -1;
    }
    void damagedStopsFilesAreReadAsFarAsTheyGo()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        QFETCH(int, announced);
        QVERIFY(writeBytes("ramp.dat.stops", content));
        GradientEditor *editor = WindowProbe::editor(*window);
        const QPolygonF curveBefore = alphaCurve();
        QSignalSpy spy(editor, &GradientEditor::gradientStopsChanged);
        const QString printed = printedByOpen(workDir->filePath("ramp.dat"));
        QVERIFY(WindowProbe::volume(*window));
        QCOMPARE(printed, line);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        if (announced == 0) {
            // Nothing to show: the curves stay, only the table follows the new volume's range.
            QCOMPARE(spy.count(), 0);
            QCOMPARE(alphaCurve(), curveBefore);
            QCOMPARE(fileBytes("ramp.dat.stops"), content);
            QCOMPARE(editor->transferTable()[999], 0u);
            return;
        }
        QCOMPARE(spy.count(), 1);
        const QGradientStops stops = spy.first().first().value<QGradientStops>();
        if (announced > 0) {
            QCOMPARE(stops.size(), announced);
            QCOMPARE(stops.first().first, 0.0);
            QCOMPARE(stops.last().first, 1.0);
        }
        for (int i = 0; i < stops.size(); ++i)
            QVERIFY(stops[i].first >= (i ? stops[i - 1].first : 0.0) && stops[i].first <= 1.0);
        // Opening leaves the file as it was; only an edit saves the editor's stops.
        QCOMPARE(fileBytes("ramp.dat.stops"), content);
    }

    // The open itself writes nothing; the first edit tries to save.
    void stopsFileThatIsNoFileGivesTheDefaultsAndOneLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("line");
        QTest::newRow("directory") << "folder"
                                   << "Can't save the transfer function to ramp.dat.stops: Filename refers to a directory\n";
        QTest::newRow("named pipe") << "fifo" << QString();
    }
    void stopsFileThatIsNoFileGivesTheDefaultsAndOneLine()
    {
        QFETCH(QString, kind);
        QFETCH(QString, line);
        if (kind == "folder")
            QVERIFY(QDir().mkdir("ramp.dat.stops"));
        else
            QCOMPARE(mkfifo("ramp.dat.stops", 0600), 0);
        GradientEditor *editor = WindowProbe::editor(*window);
        QSignalSpy spy(editor, &GradientEditor::gradientStopsChanged);
        const QString printed = printedByOpen(workDir->filePath("ramp.dat"));
        QVERIFY(WindowProbe::volume(*window));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().value<QGradientStops>().size(), 3);
        QCOMPARE(editor->transferTable()[2000], 0xFFFFFFFFu);
        QCOMPARE(printed, QString());
        ConsoleCapture console;
        WindowProbe::editStops(*window, {QGradientStop(0.0, QColor(0, 0, 0, 0)), QGradientStop(1.0, QColor(255, 255, 255, 200))});
        QCOMPARE(console.text(), line);
    }

    // The shaders are read when the view first shows. An empty file is compiled as empty
    // text and the compiler's log says why it fails; a directory or a named pipe is no file.
    // The view stays black and the program runs on.
    void shaderFilesThatAreEmptyOrNoFileLeaveTheViewBlack()
    {
        window.reset();
        QVERIFY(QDir().mkdir("damaged"));
        QVERIFY(QDir::setCurrent("damaged"));
        QVERIFY(copyShaders("."));
        QVERIFY(writeBytes("shader1.vert", QByteArray()));
        QVERIFY(QFile::remove("shader1.frag") && QDir().mkdir("shader1.frag"));
        QVERIFY(QFile::remove("slice_shader.vert"));
        QCOMPARE(mkfifo("slice_shader.vert", 0600), 0);
        QString printed;
        {
            ConsoleCapture console;
            window = std::make_unique<Window>();
            QVERIFY(WindowProbe::start(*window));
            printed = console.text();
        }
        QVERIFY2(printed.startsWith("Can't open file shader1.frag\n"), qPrintable(printed));
        QVERIFY2(printed.contains("error"), qPrintable(printed));
        QVERIFY2(printed.endsWith("Can't open file lobster.dat\nCan't open file slice_shader.vert\n"), qPrintable(printed));

        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        QVERIFY(WindowProbe::volume(*window));
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        const QImage frame = WindowProbe::view(*window)->grabFramebuffer();
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4)
                QCOMPARE(qGray(frame.pixel(x, y)), 0);
    }

private:
    void openRampWithEditedStops()
    {
        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        QVERIFY(WindowProbe::volume(*window));
        WindowProbe::editStops(*window, {QGradientStop(0.0, QColor(0, 0, 255, 0)), QGradientStop(0.3, QColor(255, 0, 0, 200)),
                                         QGradientStop(1.0, QColor(0, 255, 0, 40))});
    }

    Shown shown() const
    {
        GradientEditor *editor = WindowProbe::editor(*window);
        return {WindowProbe::volume(*window), window->windowTitle(), window->stopsFileName(),
                fileBytes("ramp.dat.stops"), std::vector<quint32>(editor->transferTable(), editor->transferTable() + 4096),
                WindowProbe::view(*window)->grabFramebuffer()};
    }

    // Opens the rampSample, shapes its stops, then gives the window the bad file: it prints exactly
    // `line` and shows, keeps and saves what it did before.
    void expectRefusal(const QString &path, const QString &line, const std::function<void()> &open = {})
    {
        openRampWithEditedStops();
        const Shown before = shown();
        QString printed;
        {
            ConsoleCapture console;
            if (open)
                open();
            else
                WindowProbe::openVolume(*window, path);
            printed = console.text();
        }
        QCOMPARE(printed, line);
        const Shown after = shown();
        QCOMPARE(after.volume, before.volume);
        QCOMPARE(after.title, QString("Dichtenschau [ramp.dat]"));
        QCOMPARE(after.stopsFileName, before.stopsFileName);
        QCOMPARE(after.stops, before.stops);
        QVERIFY(after.table == before.table);
        QVERIFY(after.frame == before.frame);
        QCOMPARE(QDir().entryList({"*.stops"}), QStringList{"ramp.dat.stops"});
    }

    static QString readerRefusal(const QString &path)
    {
        const std::atomic<bool> cancel{false};
        return QString::fromStdString(processVolumeReader()(path, ImportOptions(), [](double) {}, cancel).refusal);
    }

    // What opening the file prints besides the loader's progress lines.
    QString printedByOpen(const QString &path)
    {
        ConsoleCapture console;
        WindowProbe::openVolume(*window, path);
        return console.text().remove(QRegularExpression("(loading |Histogram size|Volume density)[^\n]*\n"));
    }

    QPolygonF alphaCurve() const
    {
        return WindowProbe::editor(*window)->findChildren<ShadeWidget *>().last()->curvePoints();
    }
};

QTEST_MAIN(TestBadInputs)
#include "tst_badinputs.moc"
