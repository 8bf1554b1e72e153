#include "ConsoleCapture.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "MouseDrags.h"
#include "ScratchWorkingDirectory.h"
#include "ViewProbe.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <functional>

class TestGLWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }
    void init()
    {
        view = new ViewProbe;
        view->resize(400, 400);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTRY_VERIFY(view->frames > 0);
        flushEvents();
        view->frames = 0;
    }
    void cleanup()
    {
        delete view;
        view = nullptr;
    }

    // A layout may not squeeze the view below 400 x 400, and gives it that much at first.
    void layoutsKeepTheViewAtLeastFourHundredSquare()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *inLayout = new ViewProbe;
        layout->addWidget(inLayout);
        window.resize(100, 100);
        showQuietly(window);
        QVERIFY(inLayout->width() >= 400 && inLayout->height() >= 400);
    }

    void rotationStoresAndRepaintsOnlyOnChange()
    {
        QCOMPARE(framesDrawnBy([this] { view->setXRotation(-1); }), 1);
        QCOMPARE(view->xRotation, 5759);
        QCOMPARE(framesDrawnBy([this] { view->setXRotation(5759 - 5760); }), 0);
        QCOMPARE(view->xRotation, 5759);
        QCOMPARE(framesDrawnBy([this] { view->setYRotation(11521); }), 1);
        QCOMPARE(view->yRotation, 1);
        QCOMPARE(framesDrawnBy([this] { view->setZRotation(5760); }), 1);
        QCOMPARE(view->zRotation, 5760);
    }

    void sliceSettersEchoEveryValue()
    {
        QSignalSpy xEcho(view, &GLWidget::xRotationChanged);
        QSignalSpy yEcho(view, &GLWidget::yRotationChanged);
        QSignalSpy zEcho(view, &GLWidget::zRotationChanged);
        QCOMPARE(framesDrawnBy([this] { view->setLength(2880); }), 1);
        QCOMPARE(framesDrawnBy([this] { view->setLength(2880); }), 1);
        QCOMPARE(view->sliceX, 0.5f);
        QCOMPARE(xEcho.count(), 2);
        QCOMPARE(xEcho.at(1).at(0).toInt(), 2880);
        view->setWidth(5760);
        view->setDepth(-5760);
        QCOMPARE(view->sliceY, 1.0f);
        QCOMPARE(view->sliceZ, -1.0f);
        QCOMPARE(yEcho.at(0).at(0).toInt(), 5760);
        QCOMPARE(zEcho.at(0).at(0).toInt(), -5760);
        QCOMPARE(view->xRotation, 0);
    }

    void leftDragTurnsTheView()
    {
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
        moveHolding(view, QPoint(110, 100), Qt::LeftButton);
        QCOMPARE(view->zRotation, 80);
        QCOMPARE(view->xRotation, 0);
        moveHolding(view, QPoint(110, 110), Qt::LeftButton);
        QCOMPARE(view->xRotation, 5760 - 80);
        QCOMPARE(view->zRotation, 80);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(110, 110));
    }

    void diagonalMoveDrawsOneFrame_data()
    {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("frames");
        QTest::newRow("diagonal") << QPoint(110, 90) << 1;
        QTest::newRow("horizontal") << QPoint(110, 100) << 1;
        QTest::newRow("vertical") << QPoint(100, 110) << 1;
        QTest::newRow("still") << QPoint(100, 100) << 0;
    }
    void diagonalMoveDrawsOneFrame()
    {
        QFETCH(QPoint, to);
        QFETCH(int, frames);
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(framesDrawnBy([&] { dragTo(view, to); }), frames);
        QCOMPARE(view->zRotation, 8 * (to.x() - 100));
        QCOMPARE(view->xRotation, (5760 - 8 * (to.y() - 100)) % 5760);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    }

    void movesWithoutTheLeftButtonOnlyTrackThePointer()
    {
        moveHolding(view, QPoint(50, 50), Qt::NoButton);
        moveHolding(view, QPoint(90, 70), Qt::RightButton);
        QCOMPARE(view->xRotation, 0);
        QCOMPARE(view->zRotation, 0);
        QCOMPARE(view->lastMousePos, QPoint(90, 70));
        // The next drag starts from the latest position.
        moveHolding(view, QPoint(91, 70), Qt::LeftButton);
        QCOMPARE(view->zRotation, 8);
    }

    void dragLowersTheStepCountUntilRelease()
    {
        view->resize(700, 400);
        QTRY_COMPARE(view->width(), 700);
        flushEvents();
        QCOMPARE(framesDrawnBy([this] { QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10)); }), 0);
        QCOMPARE(view->stepCount, 40);
        QCOMPARE(framesDrawnBy([this] { QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, 10)); }), 1);
        QCOMPARE(view->stepCount, 500);
    }

    void otherButtonsKeepTheStepCountButReleaseRestoresIt()
    {
        QTest::mousePress(view, Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(view->stepCount, 800);
        QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(view->stepCount, 500);
    }

    void renderModeFollowsTheFlag()
    {
        QCOMPARE(framesDrawnBy([this] { view->setRenderMode(true); }), 1);
        QCOMPARE(view->renderMode, 1);
        QCOMPARE(framesDrawnBy([this] { view->setRenderMode(false); }), 1);
        QCOMPARE(view->renderMode, 0);
    }

    void wheelChangesNothing()
    {
        QWheelEvent wheel(QPointF(10, 10), view->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &wheel);
        QCOMPARE(view->xRotation, 0);
        QCOMPARE(view->zRotation, 0);
        QCOMPARE(view->stepCount, 800);
    }

    // A view that was never shown has no GL context: its slots only keep what they are
    // given, and its first initialisation draws with the table handed over meanwhile.
    void hiddenViewKeepsWhatItIsGivenForItsFirstFrame()
    {
        const ScratchWorkingDirectory dir;
        QVERIFY(dir.isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 32, 32, 32, [](int x, int y, int z) { return ballSample(x, y, z, 32, 32, 32); }));
        ViewProbe hidden;
        uint32_t table[4096] = {};
        hidden.setTransferTable(table);
        std::fill(table + 1000, table + 4096, 0xFFFFFFFFu);
        hidden.setColors();
        hidden.setLength(100);
        hidden.setRenderMode(true);
        QCOMPARE(hidden.frames, 0);

        hidden.resize(64, 64);
        showQuietly(hidden);
        // The first initialisation sets ray casting; the ball is lit by the table, which
        // was filled after it was handed over.
        const QImage first = hidden.grabFramebuffer();
        QVERIFY(qGray(first.pixel(32, 32)) > 60);
        QCOMPARE(qGray(first.pixel(1, 1)), 0);
    }

private:
    // Shows the widget and waits for it, without the start volume's console lines.
    static void showQuietly(QWidget &widget)
    {
        const ConsoleCapture console;
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }
    // Frames drawn because of the action. A repaint draws at once unless a frame is still
    // pending with the window system, in which case the toolkit posts it to the event loop;
    // either way one frame per repaint request, all drawn once the posted events are handled.
    int framesDrawnBy(const std::function<void()> &action)
    {
        const int before = view->frames;
        action();
        flushEvents();
        return view->frames - before;
    }
    static void flushEvents()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    ViewProbe *view = nullptr;
};

QTEST_MAIN(TestGLWidget)
#include "tst_glwidget.moc"
