#include "GLWidget.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// Counts the frames drawn: a synchronous repaint draws one before it returns.
class CountingView : public GLWidget
{
public:
    int frames = 0;

protected:
    void paintGL() override
    {
        ++frames;
        GLWidget::paintGL();
    }
};

void sendMove(QWidget *w, QPoint pos, Qt::MouseButtons held)
{
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

} // namespace

class TestGLWidget : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        view = new CountingView;
        view->resize(400, 400);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::qWait(100);
        view->frames = 0;
    }
    void cleanup()
    {
        delete view;
        view = nullptr;
    }

    void startsWithItsInitialState()
    {
        QCOMPARE(view->xRotation, 0);
        QCOMPARE(view->zRotation, 0);
        QCOMPARE(view->stepCount, 800);
        QCOMPARE(view->renderMode, 0);
        QCOMPARE(view->viewDistance, -10.0f);
        QCOMPARE(view->sizeHint(), QSize(400, 400));
        QCOMPARE(view->minimumSizeHint(), QSize(400, 400));
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
        sendMove(view, QPoint(110, 100), Qt::LeftButton);
        QCOMPARE(view->zRotation, 80);
        QCOMPARE(view->xRotation, 0);
        sendMove(view, QPoint(110, 110), Qt::LeftButton);
        QCOMPARE(view->xRotation, 5760 - 80);
        QCOMPARE(view->zRotation, 80);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(110, 110));
    }

    void movesWithoutTheLeftButtonOnlyTrackThePointer()
    {
        sendMove(view, QPoint(50, 50), Qt::NoButton);
        sendMove(view, QPoint(90, 70), Qt::RightButton);
        QCOMPARE(view->xRotation, 0);
        QCOMPARE(view->zRotation, 0);
        QCOMPARE(view->lastMousePos, QPoint(90, 70));
        // The next drag starts from the latest position.
        sendMove(view, QPoint(91, 70), Qt::LeftButton);
        QCOMPARE(view->zRotation, 8);
    }

    void dragLowersTheStepCountUntilRelease()
    {
        view->resize(700, 400);
        QTest::qWait(50);
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

    void hiddenViewTakesSlotsWithoutGL()
    {
        GLWidget hidden;
        uint32_t table[4096] = {};
        hidden.setTransferTable(table);
        hidden.setColors();
        hidden.setLength(100);
        hidden.setRenderMode(true);
        QCOMPARE(hidden.transferTable, table);
        QCOMPARE(hidden.transferTexture, 0u);
    }

private:
    // Frames drawn because of the action. A repaint draws at once unless a frame is still
    // pending with the window system, in which case it is drawn on the next turn of the
    // event loop; either way one frame per repaint request.
    int framesDrawnBy(const std::function<void()> &action)
    {
        const int before = view->frames;
        action();
        QTest::qWait(50);
        return view->frames - before;
    }

    CountingView *view = nullptr;
};

QTEST_MAIN(TestGLWidget)
#include "tst_glwidget.moc"
