#include "ScratchWorkingDirectory.h"
#include "ConsoleCapture.h"
#include "FileDialogDriver.h"
#include "GLWidget.h"
#include "GradientEditor.h"
#include "ShadeWidget.h"
#include "StopsFile.h"
#include "Volume.h"
#include "VolumeFiles.h"
#include "Window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void drag(QWidget *w, QPointF from, QPointF to)
{
    sendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

const QGradientStops defaultStops{QGradientStop(0.0, QColor::fromRgba(0x00000000u)),
                                  QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFFu)),
                                  QGradientStop(1.0, QColor::fromRgba(0x00000000u))};

} // namespace

class TestWholeProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    void init()
    {
        workDir = std::make_unique<ScratchWorkingDirectory>();
        QVERIFY(workDir->isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 32, 32, 32, [](int x, int y, int z) { return ballSample(x, y, z, 32, 32, 32); }));
        QVERIFY(writeVolumeFile("ramp.dat", 16, 16, 16, rampSample));
        startWindow(window);
    }
    void cleanup()
    {
        window.reset();
        workDir.reset();
    }

    void startsWithTheDefaultStops()
    {
        const quint32 *table = window->gradientEditor->transferTable();
        QCOMPARE(table[2048], 0xFFFFFFFFu);
        QCOMPARE(qAlpha(table[0]), 0);
        QCOMPARE(qAlpha(table[4095]), 0);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau"));
        QVERIFY(window->fixateColorBox->isChecked());
        QVERIFY(QDir().entryList({"*.stops"}).isEmpty());
        const QImage frame = window->glWidget->grabFramebuffer();
        QVERIFY(qGray(frame.pixel(frame.width() / 2, frame.height() / 2)) > 30);
        QCOMPARE(qGray(frame.pixel(2, 2)), 0);
    }

    void opensAVolumeThroughTheDialog()
    {
        FileDialogDriver driver(workDir->filePath("ramp.dat"));
        QTest::mouseClick(window->loadButton, Qt::LeftButton);
        QCOMPARE(driver.caption, QString("Load Volume"));
        QCOMPARE(driver.filters.first(), QString("Volumes (*.dat *.dcm *.ima *.nii *.nii.gz *.hdr *.img *.nrrd *.nhdr *.mha *.mhd *.inv3)"));
        QVERIFY(driver.filters.contains("Data Files (*.dat)"));
        QCOMPARE(driver.filters.last(), QString("All Files (*)"));
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        QCOMPARE(window->fileName, QString("ramp.dat"));
        QCOMPARE(window->volume->densityMin, 1000);
        QCOMPARE(window->volume->densityMax, 3000);
        QCOMPARE(alphaShade()->palette().window().texture().height(), alphaShade()->height());

        const quint32 *table = window->gradientEditor->transferTable();
        QCOMPARE(table[999], 0u);
        QCOMPARE(table[3001], 0u);
        QCOMPARE(table[2000], 0xFFFFFFFFu);
        QCOMPARE(fileBytes("ramp.dat.stops"), StopsFile::encode(defaultStops));
    }

    void draggingAnAlphaPointRewritesTheStopsFile()
    {
        window->openVolume(workDir->filePath("ramp.dat"));
        const QByteArray before = fileBytes("ramp.dat.stops");
        ShadeWidget *alpha = alphaShade();
        const QPointF top = alpha->curvePoints().at(1);
        drag(alpha, top, QPointF(top.x(), alpha->height() / 2.0));
        const QByteArray after = fileBytes("ramp.dat.stops");
        QCOMPARE(after.size(), 72);
        QVERIFY(after != before);
        const StopsFile::Decoded stops = StopsFile::decode(after);
        QVERIFY(qAlpha(stops.stops.at(1).second.rgba()) < 160);
        QVERIFY(qAlpha(window->gradientEditor->transferTable()[2000]) < 160);
    }

    void anotherWindowRestoresTheStops()
    {
        window->openVolume(workDir->filePath("ramp.dat"));
        ShadeWidget *alpha = alphaShade();
        drag(alpha, alpha->curvePoints().at(1), QPointF(std::round(alpha->width() * 0.25), 20));
        const QByteArray saved = fileBytes("ramp.dat.stops");
        const quint32 *first = window->gradientEditor->transferTable();

        std::unique_ptr<Window> second;
        startWindow(second);
        FileDialogDriver driver(workDir->filePath("ramp.dat"));
        QTest::mouseClick(second->loadButton, Qt::LeftButton);
        // The restored editor announces exactly the stops it was given, and its curves, and
        // so its table, are those of the first.
        QCOMPARE(fileBytes("ramp.dat.stops"), saved);
        const quint32 *restored = second->gradientEditor->transferTable();
        for (int i = 0; i < 4096; ++i) {
            for (int shift = 0; shift < 32; shift += 8) {
                const int a = int(first[i] >> shift & 0xFF), b = int(restored[i] >> shift & 0xFF);
                QVERIFY2(std::abs(a - b) <= 1, qPrintable(QString("entry %1: %2 against %3").arg(i).arg(first[i], 8, 16).arg(restored[i], 8, 16)));
            }
        }
    }

    void aStopsFileOfFiftyBytesYieldsTwoStops()
    {
        const QGradientStops stops{QGradientStop(0.0, QColor(255, 0, 0, 255)), QGradientStop(1.0, QColor(0, 0, 255, 255))};
        QFile file("ramp.dat.stops");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(StopsFile::encode(stops) + QByteArray("\x07\x07", 2));
        file.close();
        window->openVolume(workDir->filePath("ramp.dat"));
        QCOMPARE(alphaShade()->curvePoints().size(), 2);
        const quint32 *table = window->gradientEditor->transferTable();
        QCOMPARE(table[1000], 0xFFFF0000u);
        QCOMPARE(qBlue(table[3000]), 255);
        QCOMPARE(qRed(table[3000]), 0);
        // Saved back as the editor holds it: whole records only.
        QCOMPARE(QFileInfo("ramp.dat.stops").size(), 48);
    }

    void baseNamesAreTakenAfterTheLastSeparator_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("backslashes") << "C:\\data\\ramp.dat" << "ramp.dat";
        QTest::newRow("slashes") << "sub/dir/ramp.dat" << "ramp.dat";
        QTest::newRow("no separator") << "plain.dat" << "plain.dat";
    }
    void baseNamesAreTakenAfterTheLastSeparator()
    {
        QFETCH(QString, path);
        QFETCH(QString, baseName);
        // Backslashes are ordinary characters in file names here, so each path names a real file.
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::copy("ramp.dat", path));
        window->openVolume(path);
        QCOMPARE(window->fileName, baseName);
        QCOMPARE(window->windowTitle(), "Dichtenschau [" + baseName + "]");
        QVERIFY(QFile::exists(baseName + ".stops"));
    }

    void aRefusedFileChangesNothing()
    {
        window->openVolume(workDir->filePath("ramp.dat"));
        ShadeWidget *alpha = alphaShade();
        drag(alpha, alpha->curvePoints().at(1), QPointF(alpha->width() * 0.4, alpha->height() * 0.2));
        const QByteArray stops = fileBytes("ramp.dat.stops");
        const std::vector<quint32> table(window->gradientEditor->transferTable(), window->gradientEditor->transferTable() + 4096);
        Volume *volume = window->volume;
        const QImage frame = window->glWidget->grabFramebuffer();
        const QPolygonF points = alpha->curvePoints();

        QFile truncated("truncated.dat");
        QVERIFY(truncated.open(QIODevice::WriteOnly));
        truncated.write(QByteArray::fromHex("10001000100000000000"));
        truncated.close();
        ConsoleCapture console;
        FileDialogDriver driver(workDir->filePath("truncated.dat"));
        QTest::mouseClick(window->loadButton, Qt::LeftButton);
        QVERIFY2(console.text().contains("truncated.dat"), qPrintable(console.text()));
        QVERIFY(window->statusLabel->text().startsWith("Can't load truncated.dat"));

        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        QCOMPARE(window->fileName, QString("ramp.dat"));
        QCOMPARE(window->volume, volume);
        QCOMPARE(alpha->curvePoints(), points);
        QCOMPARE(fileBytes("ramp.dat.stops"), stops);
        QVERIFY(!QFile::exists("truncated.dat.stops"));
        QCOMPARE(std::vector<quint32>(window->gradientEditor->transferTable(), window->gradientEditor->transferTable() + 4096), table);
        QCOMPARE(window->glWidget->grabFramebuffer(), frame);
    }

    void aCancelledDialogChangesNothing()
    {
        FileDialogDriver driver{QString()};
        QTest::mouseClick(window->loadButton, Qt::LeftButton);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau"));
        QVERIFY(window->fileName.isEmpty());
        QCOMPARE(window->volume, nullptr);
        QVERIFY(QDir().entryList({"*.stops"}).isEmpty());
    }

    void aNonAsciiPathOpensAndKeepsItsStops()
    {
        QVERIFY(QDir().mkdir("Schädel"));
        QVERIFY(QFile::copy("ramp.dat", "Schädel/Kopf-ß.dat"));
        window->openVolume(workDir->filePath("Schädel/Kopf-ß.dat"));
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [Kopf-ß.dat]"));
        QCOMPARE(fileBytes("Kopf-ß.dat.stops"), StopsFile::encode(defaultStops));
    }

private:
    // Shows a window and waits for the default stops, which arrive from the event loop.
    void startWindow(std::unique_ptr<Window> &w)
    {
        w = std::make_unique<Window>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_VERIFY2_WITH_TIMEOUT(w->fixateColorBox->isChecked(), "the default stops never arrived", 2000);
    }
    ShadeWidget *alphaShade() const
    {
        return window->gradientEditor->findChildren<ShadeWidget *>().last();
    }

    std::unique_ptr<ScratchWorkingDirectory> workDir;
    std::unique_ptr<Window> window;
};

QTEST_MAIN(TestWholeProgram)
#include "tst_wholeprogram.moc"
