#include "ConsoleCapture.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "MouseDrags.h"
#include "SavePictureDialog.h"
#include "ScratchWorkingDirectory.h"
#include "ShadeWidget.h"
#include "StopsFile.h"
#include "WindowProbe.h"
#include "WindowTestCase.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QStandardPaths>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Handles the next modal dialog or popup menu from the event loop that it runs in.
class ModalDriver : public QObject
{
public:
    explicit ModalDriver(std::function<void(QWidget *)> handle) : handle(std::move(handle))
    {
        connect(&timer, &QTimer::timeout, this, &ModalDriver::poll);
        timer.start(5);
    }
    bool handled = false;

private:
    void poll()
    {
        QWidget *modal = QApplication::activePopupWidget();
        if (!modal)
            modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer.stop();
        handled = true;
        handle(modal);
    }

    std::function<void(QWidget *)> handle;
    QTimer timer;
};

// A drag with any one button, in two moves.
void dragWith(QWidget *w, QPointF from, QPointF to, Qt::MouseButton button)
{
    sendMouse(w, QEvent::MouseButtonPress, from, button, button);
    moveHolding(w, (from + to) / 2, button);
    moveHolding(w, to, button);
    sendMouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

} // namespace

class TestWindow : public WindowTestCase
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
        // Shortcuts reach only the active window.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        slicesBox = findBox("Slices");
        QVERIFY(slicesBox);
    }
    void cleanup()
    {
        tearDown();
    }

    void showsTitleAndBoxes()
    {
        QCOMPARE(window->windowTitle(), QString("Dichtenschau"));
        QVERIFY(findBox("Menu"));
        QVERIFY(WindowProbe::view(*window)->isVisible());
        QVERIFY(window->stopsFileName().isEmpty());
    }

    void slicesBoxStartsUncheckedWithDisabledSliders()
    {
        QVERIFY(slicesBox->isCheckable());
        QVERIFY(!slicesBox->isChecked());
        for (QSlider *slider : sliders()) {
            QVERIFY(!slider->isEnabled());
            QCOMPARE(slider->value(), 0);
        }
        QCOMPARE(backgroundGrey(), 0);
    }

    void slidersAreBuiltAlike()
    {
        for (QSlider *slider : sliders()) {
            QCOMPARE(slider->parentWidget(), slicesBox);
            QCOMPARE(slider->orientation(), Qt::Vertical);
            QCOMPARE(slider->minimum(), 0);
            QCOMPARE(slider->maximum(), 5760);
            QCOMPARE(slider->singleStep(), 16);
            QCOMPARE(slider->pageStep(), 240);
            QCOMPARE(slider->tickInterval(), 240);
            QCOMPARE(slider->tickPosition(), QSlider::TicksRight);
        }
    }

    void slicesBoxSwitchesRenderModeAndSliders()
    {
        // The slice mode draws on dark grey, ray casting on black.
        slicesBox->setChecked(true);
        QVERIFY(qAbs(backgroundGrey() - 26) <= 1);
        for (QSlider *slider : sliders())
            QVERIFY(slider->isEnabled());
        slicesBox->setChecked(false);
        QCOMPARE(backgroundGrey(), 0);
        for (QSlider *slider : sliders())
            QVERIFY(!slider->isEnabled());
    }

    void slidersPlaceSlicesAndKeepTheirValue_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("length") << 0;
        QTest::newRow("width") << 1;
        QTest::newRow("depth") << 2;
    }
    void slidersPlaceSlicesAndKeepTheirValue()
    {
        QFETCH(int, which);
        slicesBox->setChecked(true);
        QSlider *slider = sliders().at(which);
        QSignalSpy moved(slider, &QSlider::valueChanged);
        const QList<QSignalSpy *> echoes = viewEchoes();
        slider->setValue(2880);
        QCOMPARE(slider->value(), 2880);
        QCOMPARE(moved.count(), 1);
        // The view took the value for its own slice plane only and echoed it back once.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(echoes[i]->count(), i == which ? 1 : 0);
        QCOMPARE(echoes[which]->first().first().toInt(), 2880);
        qDeleteAll(echoes);
    }

    void arrowAndPageKeysStepTheSlider()
    {
        slicesBox->setChecked(true);
        QSlider *slider = sliders().first();
        QSignalSpy echo(WindowProbe::view(*window), &GLWidget::xRotationChanged);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Up);
        QCOMPARE(slider->value(), 16);
        QTest::keyClick(slider, Qt::Key_PageUp);
        QCOMPARE(slider->value(), 256);
        QCOMPARE(echo.last().first().toInt(), 256);
    }

    void ctrlOAsksForAVolume()
    {
        QString caption;
        ModalDriver driver([&](QWidget *dialog) {
            caption = dialog->windowTitle();
            static_cast<QDialog *>(dialog)->reject();
        });
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(driver.handled);
        QCOMPARE(caption, QString("Load Volume"));
    }

    void ctrlSSavesThePictureAtTheViewsSize()
    {
        waitForStops();
        QString proposed;
        const QString path = workDir->filePath("picture.png");
        ModalDriver driver([&](QWidget *modal) {
            auto *dialog = qobject_cast<SavePictureDialog *>(modal);
            QVERIFY(dialog);
            proposed = dialog->path();
            dialog->findChild<QLineEdit *>()->setText(path);
            dialog->accept();
        });
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(driver.handled);
        QVERIFY2(proposed.endsWith("/lobster.png"), qPrintable(proposed));
        QVERIFY(WindowProbe::view(*window)->canRender());
        const QImage saved(path);
        QCOMPARE(saved.size(), WindowProbe::view(*window)->deviceSize());
        QVERIFY(statusText().startsWith("Saved " + path));
    }

    void ctrlQCloses()
    {
        QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!window->isVisible());
    }

    void zoomKeysAndHomeResetTheView()
    {
        waitForStops();
        GLWidget *view = WindowProbe::view(*window);
        // At rest, as after every drag.
        sendMouse(view, QEvent::MouseButtonRelease, QPointF(5, 5), Qt::LeftButton, Qt::NoButton);
        const QImage start = view->grabFramebuffer();
        QTest::keyClick(window.get(), Qt::Key_Plus);
        QCOMPARE(view->viewCamera().zoom, 1.25);
        QTest::keyClick(window.get(), Qt::Key_Minus);
        QTest::keyClick(window.get(), Qt::Key_Minus);
        QCOMPARE(view->viewCamera().zoom, 1 / 1.25);
        dragWith(view, QPointF(100, 100), QPointF(130, 110), Qt::LeftButton);
        // The turn about y, which only its slot drives.
        view->setYRotation(300);
        QVERIFY(view->canRender());
        QVERIFY(view->grabFramebuffer() != start);
        dragWith(view, QPointF(100, 100), QPointF(110, 90), Qt::MiddleButton);
        QVERIFY(view->viewCamera().panX > 0 && view->viewCamera().panY < 0);
        QTest::keyClick(window.get(), Qt::Key_Home);
        QCOMPARE(view->viewCamera().zoom, 1.0);
        QCOMPARE(view->viewCamera().panX, 0.0);
        // The turn is undone too: the start frame again.
        QCOMPARE(view->grabFramebuffer(), start);
    }

    // Each edit writes the stops file; undo writes back the stops before it, redo those
    // after it, and both are steps of their own in the file, as any edit is.
    void undoAndRedoRewriteTheStopsFile_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("drag") << "drag";
        QTest::newRow("insertion") << "insertion";
        QTest::newRow("preset") << "preset";
    }
    void undoAndRedoRewriteTheStopsFile()
    {
        QFETCH(QString, edit);
        waitForStops();
        QSignalSpy installed(WindowProbe::editor(*window), &GradientEditor::gradientStopsChanged);
        QVERIFY(WindowProbe::openVolume(*window, workDir->filePath("ramp.dat")));
        // The open installs the volume's stops without writing them; undoing back to them
        // is an edit, which writes them.
        QVERIFY(!QFile::exists("ramp.dat.stops"));
        QVERIFY(!installed.isEmpty());
        QVERIFY(StopsFile::write("opened.stops", installed.last().first().value<QGradientStops>()).isEmpty());
        const QByteArray before = fileBytes("opened.stops");
        ShadeWidget *alpha = WindowProbe::editor(*window)->findChildren<ShadeWidget *>().last();
        if (edit == "drag") {
            const QPointF top = alpha->curvePoints().at(1);
            dragWith(alpha, top, QPointF(top.x() + 20, alpha->height() / 2.0), Qt::LeftButton);
        } else if (edit == "insertion") {
            ModalDriver driver([](QWidget *menu) { static_cast<QMenu *>(menu)->actions().first()->trigger(); menu->close(); });
            const QPointF empty(alpha->width() / 4, 5);
            sendMouse(alpha, QEvent::MouseButtonPress, empty, Qt::RightButton, Qt::RightButton);
            sendMouse(alpha, QEvent::MouseButtonRelease, empty, Qt::RightButton, Qt::NoButton);
            QVERIFY(driver.handled);
            QCOMPARE(alpha->curvePoints().size(), 4);
        } else {
            auto *presets = window->findChild<QComboBox *>("presets");
            presets->activated(presets->findText("CT: bone"));
        }
        const QByteArray after = fileBytes("ramp.dat.stops");
        QVERIFY(after != before);

        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fileBytes("ramp.dat.stops"), before);
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(fileBytes("ramp.dat.stops"), after);
        // Nothing beyond the last step: the file stays.
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(fileBytes("ramp.dat.stops"), after);
    }

    // An odd size is stored padded to an even one; the line names the grid of the file.
    void statusLineNamesTheGridOfTheFile_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::newRow("odd x and y") << 17 << 15 << 5;
        QTest::newRow("odd y") << 16 << 15 << 4;
    }
    void statusLineNamesTheGridOfTheFile()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        waitForStops();
        QVERIFY(writeVolumeFile("odd.dat", x, y, z, rampSample));
        QVERIFY(WindowProbe::openVolume(*window, workDir->filePath("odd.dat")));
        const QString grid = QString(": %1 x %2 x %3 voxels, ").arg(x).arg(y).arg(z);
        QVERIFY2(statusText().startsWith(workDir->filePath("odd.dat") + grid), qPrintable(statusText()));
    }

    void statusLineRepeatsTheConsoleAboutTheLastOpen()
    {
        waitForStops();
        QVERIFY(WindowProbe::openVolume(*window, workDir->filePath("ramp.dat")));
        QCOMPARE(statusText(), workDir->filePath("ramp.dat") + ": 16 x 16 x 16 voxels, values 1000 - 3000");
        QVERIFY(writeBytes("short.dat", datHeader(16, 16, 16) + QByteArray(100, '\0')));
        ConsoleCapture console;
        QVERIFY(!WindowProbe::openVolume(*window, workDir->filePath("short.dat")));
        const QStringList lines = console.text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(statusText(), lines.first());
    }

    // Below the minimum the window does not go, and there the sliders and the editor keep
    // room to be used.
    void minimumSizeKeepsEveryControlUsable()
    {
        window->resize(100, 100);
        QTRY_COMPARE(window->size(), window->minimumSize());
        for (QSlider *slider : sliders())
            QVERIFY(slider->isVisible() && slider->height() >= 80);
        for (ShadeWidget *shade : WindowProbe::editor(*window)->findChildren<ShadeWidget *>())
            QVERIFY(shade->height() >= 20 && shade->width() >= 200);
        QVERIFY(WindowProbe::view(*window)->width() >= 200 && WindowProbe::view(*window)->height() >= 200);
    }

private:
    void waitForStops()
    {
        QTRY_VERIFY_WITH_TIMEOUT(WindowProbe::fixateColorBox(*window)->isChecked(), 2000);
    }
    QString statusText() const
    {
        return window->findChild<QLabel *>("statusLine")->text();
    }
    QGroupBox *findBox(const QString &title) const
    {
        for (QGroupBox *box : window->findChildren<QGroupBox *>())
            if (box->title() == title)
                return box;
        return nullptr;
    }
    QList<QSlider *> sliders() const
    {
        return WindowProbe::sliders(*window);
    }
    // The view's echoes of the length, width and depth values, in this order.
    QList<QSignalSpy *> viewEchoes() const
    {
        GLWidget *view = WindowProbe::view(*window);
        return {new QSignalSpy(view, &GLWidget::xRotationChanged), new QSignalSpy(view, &GLWidget::yRotationChanged),
                new QSignalSpy(view, &GLWidget::zRotationChanged)};
    }
    // The grey of the view's corner, which the mode's clear colour decides.
    int backgroundGrey() const
    {
        return qGray(WindowProbe::view(*window)->grabFramebuffer().pixel(2, 2));
    }

    QGroupBox *slicesBox = nullptr;
};

int main(int argc, char *argv[])
{
    // The window keeps its folder and recent files in the settings; tests keep theirs apart.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_DontUseNativeDialogs);
    TestWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window.moc"
