#include "ScratchWorkingDirectory.h"
#include "ConsoleCapture.h"
#include "DatVolumeFiles.h"
#include "DefaultStops.h"
#include "FileDialogDriver.h"
#include "GLAvailability.h"
#include "MouseDrags.h"
#include "ShadeWidget.h"
#include "StopsFile.h"
#include "WindowProbe.h"
#include "WindowTestCase.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <memory>

class TestWholeProgram : public WindowTestCase
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
        startWindow();
    }
    void cleanup()
    {
        tearDown();
    }

    void startsWithTheDefaultStops()
    {
        const quint32 *table = editor()->transferTable();
        QCOMPARE(table[2048], 0xFFFFFFFFu);
        QCOMPARE(qAlpha(table[0]), 0);
        QCOMPARE(qAlpha(table[4095]), 0);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau"));
        QVERIFY(WindowProbe::fixateColorBox(*window)->isChecked());
        QVERIFY(QDir().entryList({"*.stops"}).isEmpty());
        const QImage frame = WindowProbe::view(*window)->grabFramebuffer();
        QVERIFY(qGray(frame.pixel(frame.width() / 2, frame.height() / 2)) > 30);
        QCOMPARE(qGray(frame.pixel(2, 2)), 0);
    }

    void opensAVolumeThroughTheDialog()
    {
        FileDialogDriver driver(workDir->filePath("ramp.dat"));
        QTest::mouseClick(WindowProbe::loadButton(*window), Qt::LeftButton);
        QCOMPARE(driver.caption, QString("Load Volume"));
        QCOMPARE(driver.filters.first(), QString("Volumes (*)"));
        QVERIFY(driver.filters.contains("Data Files (*.dat)"));
        QCOMPARE(driver.filters.last(), QString("All Files (*)"));
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        QCOMPARE(window->stopsFileName(), QString("ramp.dat.stops"));
        QCOMPARE(WindowProbe::volume(*window)->densityMin, 1000);
        QCOMPARE(WindowProbe::volume(*window)->densityMax, 3000);
        QCOMPARE(alphaShade()->palette().window().texture().height(), alphaShade()->height());

        const quint32 *table = editor()->transferTable();
        QCOMPARE(table[999], 0u);
        QCOMPARE(table[3001], 0u);
        QCOMPARE(table[2000], 0xFFFFFFFFu);
        // Nothing has been edited yet, so nothing is saved.
        QVERIFY(!QFile::exists("ramp.dat.stops"));
    }

    // Opening shows the stops of a file and leaves the file as it is, whatever the editor
    // makes of it; the first edit saves the editor's stops over it.
    void openingLeavesTheStopsFileUntilTheFirstEdit_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray fine = StopsFile::encode({QGradientStop(0.0, QColor::fromRgba64(0x1234, 0x5678, 0x9ABC, 0x0101)),
                                             QGradientStop(0.5, QColor::fromRgba64(0xFEDC, 0xBA98, 0x7654, 0xFFFF)),
                                             QGradientStop(1.0, QColor::fromRgba64(0, 0, 0, 0))});
        QTest::newRow("16-bit colours") << fine;
        QByteArray many;
        for (int i = 0; i < 500; ++i)
            many += StopsFile::encode({QGradientStop(i / 499.0, QColor(255, 255, 255, i % 2 ? 255 : 0))});
        QTest::newRow("more stops than the editor has columns") << many;
        QTest::newRow("a damaged tail") << fine + QByteArray(30, '\xEE');
    }
    void openingLeavesTheStopsFileUntilTheFirstEdit()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeBytes("ramp.dat.stops", content));
        FileDialogDriver driver(workDir->filePath("ramp.dat"));
        QTest::mouseClick(WindowProbe::loadButton(*window), Qt::LeftButton);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        QCOMPARE(fileBytes("ramp.dat.stops"), content);
        // A wider window re-expresses the curves in the editor's new width: no edit either.
        const int editorWidth = editor()->width();
        window->resize(window->width() + 97, window->height());
        QTRY_COMPARE(editor()->width(), editorWidth + 97);
        QCoreApplication::processEvents();
        QCOMPARE(fileBytes("ramp.dat.stops"), content);

        QSignalSpy announced(editor(), &GradientEditor::gradientStopsChanged);
        ShadeWidget *alpha = alphaShade();
        const QPointF point = alpha->curvePoints().at(1);
        drag(alpha, point, QPointF(point.x(), alpha->height() / 2.0));
        QVERIFY(!announced.isEmpty());
        QCOMPARE(fileBytes("ramp.dat.stops"), StopsFile::encode(announced.last().first().value<QGradientStops>()));
    }

    void draggingAnAlphaPointRewritesTheStopsFile()
    {
        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        const QByteArray before = fileBytes("ramp.dat.stops");
        ShadeWidget *alpha = alphaShade();
        const QPointF top = alpha->curvePoints().at(1);
        drag(alpha, top, QPointF(top.x(), alpha->height() / 2.0));
        const QByteArray after = fileBytes("ramp.dat.stops");
        QCOMPARE(after.size(), 72);
        QVERIFY(after != before);
        const StopsFile::Decoded stops = StopsFile::decode(after);
        QVERIFY(qAlpha(stops.stops.at(1).second.rgba()) < 160);
        QVERIFY(qAlpha(editor()->transferTable()[2000]) < 160);
    }

    void anotherWindowRestoresTheStops()
    {
        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        ShadeWidget *alpha = alphaShade();
        drag(alpha, alpha->curvePoints().at(1), QPointF(std::round(alpha->width() * 0.25), 20));
        const QByteArray saved = fileBytes("ramp.dat.stops");
        const quint32 *first = editor()->transferTable();

        std::unique_ptr<Window> second;
        startWindow(second);
        FileDialogDriver driver(workDir->filePath("ramp.dat"));
        QTest::mouseClick(WindowProbe::loadButton(*second), Qt::LeftButton);
        // The restored editor announces exactly the stops it was given, and its curves, and
        // so its table, are those of the first.
        QCOMPARE(fileBytes("ramp.dat.stops"), saved);
        const quint32 *restored = WindowProbe::editor(*second)->transferTable();
        for (int i = 0; i < 4096; ++i) {
            for (int shift = 0; shift < 32; shift += 8) {
                const int a = int(first[i] >> shift & 0xFF), b = int(restored[i] >> shift & 0xFF);
                QVERIFY2(std::abs(a - b) <= 1, qPrintable(QString("entry %1: %2 against %3").arg(i).arg(first[i], 8, 16).arg(restored[i], 8, 16)));
            }
        }
    }

    // Squeezed below its minimum (a tiling window manager or a script can do it) and given its
    // size back, the window shows the same curves and its editor makes the same stops of
    // them; nothing is announced or written meanwhile.
    void squeezingTheWindowAndBackKeepsTheStops()
    {
        QVERIFY(WindowProbe::openVolume(*window, workDir->filePath("ramp.dat")));
        WindowProbe::editStops(*window, {QGradientStop(0.0, QColor(0, 0, 255, 0)), QGradientStop(0.3, QColor(255, 0, 0, 200)),
                                         QGradientStop(0.71, QColor(20, 200, 90, 120)), QGradientStop(1.0, QColor(0, 255, 0, 40))});
        const QGradientStops before = editor()->gradientStops();
        QList<QPolygonF> curves;
        for (ShadeWidget *shade : editor()->findChildren<ShadeWidget *>())
            curves << shade->curvePoints();
        QVERIFY(QFile::remove("ramp.dat.stops"));
        QSignalSpy announced(editor(), &GradientEditor::gradientStopsChanged);

        const QSize size = window->size();
        window->windowHandle()->resize(200, 150);
        QTRY_VERIFY(alphaShade()->width() < 200);
        // Read at that size, as a repaint or an edit would.
        for (ShadeWidget *shade : editor()->findChildren<ShadeWidget *>())
            QVERIFY(shade->curvePoints().last().x() < 200);
        window->windowHandle()->resize(size);
        QTRY_COMPARE(alphaShade()->width(), curves.last().last().x());

        for (ShadeWidget *shade : editor()->findChildren<ShadeWidget *>())
            QCOMPARE(shade->curvePoints(), curves.takeFirst());
        QCOMPARE(announced.size(), 0);
        QVERIFY(!QFile::exists("ramp.dat.stops"));
        // A press and release on a point, which moves nothing, has the editor make its stops.
        const QPointF point = alphaShade()->curvePoints().at(2);
        drag(alphaShade(), point, point);
        QCOMPARE(editor()->gradientStops(), before);
    }

    void aStopsFileOfFiftyBytesYieldsTwoStops()
    {
        const QGradientStops stops{QGradientStop(0.0, QColor(255, 0, 0, 255)), QGradientStop(1.0, QColor(0, 0, 255, 255))};
        QFile file("ramp.dat.stops");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(StopsFile::encode(stops) + QByteArray("\x07\x07", 2));
        file.close();
        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        QCOMPARE(alphaShade()->curvePoints().size(), 2);
        const quint32 *table = editor()->transferTable();
        QCOMPARE(table[1000], 0xFFFF0000u);
        QCOMPARE(qBlue(table[3000]), 255);
        QCOMPARE(qRed(table[3000]), 0);
        // Read, not rewritten: the stray bytes stay until the first edit.
        QCOMPARE(QFileInfo("ramp.dat.stops").size(), 50);
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
        WindowProbe::openVolume(*window, path);
        QCOMPARE(window->stopsFileName(), baseName + ".stops");
        QCOMPARE(window->windowTitle(), "Dichtenschau [" + baseName + "]");
    }

    void aRefusedFileChangesNothing()
    {
        WindowProbe::openVolume(*window, workDir->filePath("ramp.dat"));
        ShadeWidget *alpha = alphaShade();
        drag(alpha, alpha->curvePoints().at(1), QPointF(alpha->width() * 0.4, alpha->height() * 0.2));
        const QByteArray stops = fileBytes("ramp.dat.stops");
        const std::vector<quint32> table(editor()->transferTable(), editor()->transferTable() + 4096);
        const Volume *volume = WindowProbe::volume(*window);
        const QImage frame = WindowProbe::view(*window)->grabFramebuffer();
        const QPolygonF points = alpha->curvePoints();

        QFile truncated("truncated.dat");
        QVERIFY(truncated.open(QIODevice::WriteOnly));
        truncated.write(QByteArray::fromHex("10001000100000000000"));
        truncated.close();
        ConsoleCapture console;
        FileDialogDriver driver(workDir->filePath("truncated.dat"));
        QTest::mouseClick(WindowProbe::loadButton(*window), Qt::LeftButton);
        QVERIFY2(console.text().contains("truncated.dat"), qPrintable(console.text()));
        QVERIFY(WindowProbe::status(*window).startsWith("Can't load " + workDir->filePath("truncated.dat")));

        QCOMPARE(window->windowTitle(), QString("Dichtenschau [ramp.dat]"));
        QCOMPARE(window->stopsFileName(), QString("ramp.dat.stops"));
        QCOMPARE(WindowProbe::volume(*window), volume);
        QCOMPARE(alpha->curvePoints(), points);
        QCOMPARE(fileBytes("ramp.dat.stops"), stops);
        QVERIFY(!QFile::exists("truncated.dat.stops"));
        QCOMPARE(std::vector<quint32>(editor()->transferTable(), editor()->transferTable() + 4096), table);
        QCOMPARE(WindowProbe::view(*window)->grabFramebuffer(), frame);
    }

    void aCancelledDialogChangesNothing()
    {
        const Volume *shown = WindowProbe::view(*window)->volume();
        FileDialogDriver driver{QString()};
        QTest::mouseClick(WindowProbe::loadButton(*window), Qt::LeftButton);
        QCOMPARE(window->windowTitle(), QString("Dichtenschau"));
        QVERIFY(window->stopsFileName().isEmpty());
        QCOMPARE(WindowProbe::volume(*window), nullptr);
        QCOMPARE(WindowProbe::view(*window)->volume(), shown);
        QVERIFY(QDir().entryList({"*.stops"}).isEmpty());
    }

    void aNonAsciiPathOpensAndKeepsItsStops()
    {
        QVERIFY(QDir().mkdir("Schädel"));
        QVERIFY(QFile::copy("ramp.dat", "Schädel/Kopf-ß.dat"));
        WindowProbe::openVolume(*window, workDir->filePath("Schädel/Kopf-ß.dat"));
        QCOMPARE(window->windowTitle(), QString("Dichtenschau [Kopf-ß.dat]"));
        WindowProbe::saveGradientStops(*window, defaultStops());
        QCOMPARE(fileBytes("Kopf-ß.dat.stops"), StopsFile::encode(defaultStops()));
    }

private:
    GradientEditor *editor() const
    {
        return WindowProbe::editor(*window);
    }
    ShadeWidget *alphaShade() const
    {
        return editor()->findChildren<ShadeWidget *>().last();
    }
};

QTEST_MAIN(TestWholeProgram)
#include "tst_wholeprogram.moc"
