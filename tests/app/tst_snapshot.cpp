#include "GLWidget.h"
#include "ScratchWorkingDirectory.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "VolumeFiles.h"
#include "Window.h"
#include "WindowProbe.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
};

Run runProgram(const QStringList &arguments)
{
    QProcess program;
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(DICHTENSCHAU_PROGRAM, arguments);
    Run run;
    if (!program.waitForFinished(60000))
        return run;
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.output = QString::fromLocal8Bit(program.readAllStandardOutput());
    return run;
}

int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

bool isBlank(const QImage &image)
{
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) > 30)
                return false;
    return true;
}

} // namespace

class TestSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }
    void init()
    {
        workDir = std::make_unique<ScratchWorkingDirectory>();
        QVERIFY(workDir->isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 16, 16, 16, [](int x, int y, int z) { return ballSample(x, y, z, 16, 16, 16); }));
        QVERIFY(writeVolumeFile("ball.dat", 48, 40, 32, [](int x, int y, int z) { return ballSample(x, y, z, 48, 40, 32); }));
    }
    void cleanup()
    {
        workDir.reset();
    }

    // The command draws the same resting frame as the window shows at that size and turn.
    void pictureEqualsTheViewAtTheSameSize()
    {
        Window window;
        QVERIFY(WindowProbe::start(window));
        GLWidget *view = window.view();
        QVERIFY(view->canRender());
        QVERIFY(WindowProbe::openVolume(window, workDir->filePath("ball.dat")));
        view->setXRotation(30 * 16);
        view->setZRotation(45 * 16);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(5, 5));
        const QImage onScreen = view->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        const QSize size = view->deviceSize();

        const Run run = runProgram({"--snapshot", "out.png", "--size", QString("%1x%2").arg(size.width()).arg(size.height()),
                                    "--turn", "30,45", "ball.dat"});
        QCOMPARE(run.exitCode, 0);
        const QImage picture("out.png");
        QCOMPARE(picture.size(), size);
        QVERIFY(!isBlank(picture));
        QVERIFY2(largestDifference(picture, onScreen) <= 2, qPrintable(QString::number(largestDifference(picture, onScreen))));
    }

    // A CT (values in HU) starts in the soft-tissue window 400/40 in the window and in the
    // command alike: tissue of 100 HU is then grey (100 + 160) / 400 of white, where the
    // automatic window over air, tissue and bone would make it darker.
    void aCtStartsInTheSoftTissueWindowAsInTheWindow()
    {
        const QString ct = writeCtPhantom("head.nii");
        Window window;
        QVERIFY(WindowProbe::start(window));
        QVERIFY(WindowProbe::openVolume(window, ct));
        const WindowLevel shown = window.readingViews()->state()->window();
        QCOMPARE(QList<double>({shown.width, shown.level}), QList<double>({400.0, 40.0}));

        const Run run = runProgram({"--snapshot", "out.png", "--size", "64x64", "--view", "axial", ct});
        QVERIFY2(run.exitCode == 0, qPrintable(run.output));
        const int grey = qGray(QImage("out.png").pixel(32, 32));
        const int expected = (100 + 160) * 255 / 400;
        QVERIFY2(std::abs(grey - expected) <= 1, qPrintable(QString::number(grey)));
    }

    void defaultSizeIs800Square()
    {
        const Run run = runProgram({"--snapshot", "out.png", "ball.dat"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.output));
        QCOMPARE(QImage("out.png").size(), QSize(800, 800));
    }

    void refusalsWriteNothingAndSayWhyInOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("line");
        QTest::newRow("missing volume") << QStringList{"--snapshot", "out.png", "missing.dat"} << "out.png"
                                        << "Can't open file missing.dat";
        QTest::newRow("truncated volume") << QStringList{"--snapshot", "out.png", "short.dat"} << "out.png"
                                          << "Can't load short.dat (16 x 16 x 16): ";
        // Read in the background like any format but `.dat`; the command waits for the refusal.
        QTest::newRow("refused other format") << QStringList{"--snapshot", "out.png", "scan.nii"} << "out.png"
                                              << "Can't load scan.nii: ";
        QTest::newRow("unwritable output") << QStringList{"--snapshot", "no/such/folder/out.png", "ball.dat"}
                                           << "no/such/folder/out.png" << "Can't write no/such/folder/out.png: ";
        QTest::newRow("bad size") << QStringList{"--snapshot", "out.png", "--size", "800", "ball.dat"} << "out.png"
                                  << "Can't take the size 800: ";
        QTest::newRow("no volume") << QStringList{"--snapshot", "out.png"} << "out.png" << "usage: ";
        QTest::newRow("unknown view") << QStringList{"--snapshot", "out.png", "--view", "front", "ball.dat"} << "out.png"
                                      << "Can't take the view front: ";
        QTest::newRow("window without width") << QStringList{"--snapshot", "out.png", "--window", "0,40", "ball.dat"}
                                              << "out.png" << "Can't take the window 0,40: ";
        QTest::newRow("crop bounds crossed") << QStringList{"--snapshot", "out.png", "--crop", "0,1,0.6,0.4,0,1", "ball.dat"}
                                             << "out.png" << "Can't take the crop box 0,1,0.6,0.4,0,1: ";
    }
    void refusalsWriteNothingAndSayWhyInOneLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(QString, line);
        QVERIFY(writeBytes("short.dat", datHeader(16, 16, 16) + QByteArray(100, '\0')));
        const Run run = runProgram(arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.output.startsWith(line), qPrintable(run.output));
        QCOMPARE(run.output.count('\n'), 1);
        QVERIFY(!QFile::exists(output));
    }

private:
    // A head of 32 x 32 x 16 int16 voxels of 1 mm: air of -1000 HU, a skull of 900 HU, and
    // tissue of 100 HU inside.
    QString writeCtPhantom(const QString &name) const
    {
        const int sizes[3] = {32, 32, 16};
        QVector<double> values;
        for (int z = 0; z < 16; ++z)
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    const double r = std::hypot(x - 15.5, y - 15.5);
                    values.append(r < 11 ? 100.0 : r < 14 ? 900.0 : -1000.0);
                }
        const QString path = workDir->filePath(name);
        VolumeFiles::writeFile(path, VolumeFiles::nifti(sizes, SampleType::Int16, false,
                                                        VolumeFiles::encodeSamples(values, SampleType::Int16, false)));
        return path;
    }

    std::unique_ptr<ScratchWorkingDirectory> workDir;
};

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    TestSnapshot test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_snapshot.moc"
