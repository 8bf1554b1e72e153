#include "EditorTestSupport.h"
#include "HoverPoints.h"

#include <QPainter>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace EditorTest;

namespace {

// A black widget that counts the mouse and resize events that reach it past the filter.
class RecordingWidget : public QWidget
{
public:
    using QWidget::QWidget;
    int presses = 0;
    int releases = 0;
    int moves = 0;
    int doubleClicks = 0;
    int resizes = 0;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::black); }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent *) override { ++releases; }
    void mouseMoveEvent(QMouseEvent *) override { ++moves; }
    void mouseDoubleClickEvent(QMouseEvent *) override { ++doubleClicks; }
    void resizeEvent(QResizeEvent *) override { ++resizes; }
};

bool isBlack(const QImage &image, int x, int y)
{
    return (image.pixel(x, y) & 0xFFFFFF) == 0;
}

} // namespace

class TestHoverPoints : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void overlappingHandlesPickLowerIndex();
    void pinnedPointsKeepTheirX();
    void dragStaysInsideWidget_data();
    void dragStaysInsideWidget();
    void dragPastNeighbourFollowsPoint();
    void resizeRescalesWithOneEmission();
    void resizeWithoutOldSizeChangesNothing_data();
    void resizeWithoutOldSizeChangesNothing();
    void firstResizeAfterHiddenSizingRescales();
    void newPointInsertsAtClick();
    void deletePointRemovesUnlockedOnly();
    void setColorAsksForColour();
    void closedMenuChangesNothing();
    void otherButtonsAndEventsPassThrough();
    void doubleClickStartsNothing();
    void disabledFilterIsTransparent();
    void notEditablePaintsButIgnoresPresses();
    void linkJoinsPointsOnly();
    void replacePointsClampsAndClearsLocksSilently();

private:
    void setPoints(const QPolygonF &points, bool pinEnds);

    std::unique_ptr<QWidget> container;
    RecordingWidget *widget = nullptr;
    HoverPoints *hover = nullptr;
};

void TestHoverPoints::init()
{
    container = std::make_unique<QWidget>();
    container->resize(300, 120);
    widget = new RecordingWidget(container.get());
    widget->setGeometry(0, 0, 100, 30);
    hover = new HoverPoints(widget, HoverPoints::RoundHandle);
    hover->setSortMode(HoverPoints::SortByX);
    container->show();
    QVERIFY(QTest::qWaitForWindowExposed(container.get()));
}

void TestHoverPoints::cleanup()
{
    container.reset();
}

void TestHoverPoints::setPoints(const QPolygonF &points, bool pinEnds)
{
    hover->replacePoints(points);
    if (pinEnds) {
        hover->setLock(0, HoverPoints::PinLeft);
        hover->setLock(points.size() - 1, HoverPoints::PinRight);
    }
}

void TestHoverPoints::overlappingHandlesPickLowerIndex()
{
    setPoints({QPointF(40, 15), QPointF(46, 15)}, false);
    QSignalSpy moved(hover, &HoverPoints::alphaChanged);

    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(43, 15));
    QCOMPARE(widget->presses, 0);
    dragTo(widget, QPointF(43, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(43, 5));

    QCOMPARE(moved.size(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), 0);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(43, 5), QPointF(46, 15)}));
}

void TestHoverPoints::pinnedPointsKeepTheirX()
{
    setPoints({QPointF(0, 20), QPointF(100, 10)}, true);

    drag(widget, QPointF(2, 20), QPointF(30, 5));
    drag(widget, QPointF(98, 10), QPointF(60, 25));

    QCOMPARE(hover->pointList(), QPolygonF({QPointF(0, 5), QPointF(100, 25)}));
}

void TestHoverPoints::dragStaysInsideWidget_data()
{
    QTest::addColumn<QPointF>("target");
    QTest::addColumn<QPointF>("stored");
    QTest::newRow("above left") << QPointF(-50, -20) << QPointF(0, 0);
    QTest::newRow("below right") << QPointF(500, 300) << QPointF(100, 30);
    QTest::newRow("below") << QPointF(50, 400) << QPointF(50, 30);
}

void TestHoverPoints::dragStaysInsideWidget()
{
    QFETCH(QPointF, target);
    QFETCH(QPointF, stored);
    setPoints({QPointF(50, 15)}, false);

    drag(widget, QPointF(50, 15), target);

    QCOMPARE(hover->pointList(), QPolygonF({stored}));
}

void TestHoverPoints::dragPastNeighbourFollowsPoint()
{
    setPoints({QPointF(10, 15), QPointF(50, 15), QPointF(90, 15)}, false);
    QSignalSpy moved(hover, &HoverPoints::alphaChanged);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);
    QPolygonF seenByReceiver;
    connect(hover, &HoverPoints::alphaChanged, this, [this, &seenByReceiver] { seenByReceiver = hover->pointList(); });

    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 15));
    dragTo(widget, QPointF(70, 15));
    // The receiver ran before the re-sort and the signal names the old index.
    QCOMPARE(seenByReceiver, QPolygonF({QPointF(70, 15), QPointF(50, 15), QPointF(90, 15)}));
    QCOMPARE(moved.at(0), QVariantList({0, 70.0}));
    QCOMPARE(changed.last().at(0).value<QPolygonF>(),
             QPolygonF({QPointF(50, 15), QPointF(70, 15), QPointF(90, 15)}));

    dragTo(widget, QPointF(75, 20));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(75, 20));

    QCOMPARE(moved.size(), 2);
    QCOMPARE(moved.at(1), QVariantList({1, 75.0}));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(50, 15), QPointF(75, 20), QPointF(90, 15)}));
}

void TestHoverPoints::resizeRescalesWithOneEmission()
{
    setPoints({QPointF(10.3, 7.25), QPointF(99, 30)}, false);
    hover->setLock(1, HoverPoints::PinRight);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);
    const int resizesBefore = widget->resizes;

    widget->resize(200, 60);

    QCOMPARE(changed.size(), 1);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(21, 15), QPointF(200, 60)}));
    QCOMPARE(widget->resizes, resizesBefore + 1);
}

void TestHoverPoints::resizeWithoutOldSizeChangesNothing_data()
{
    QTest::addColumn<QSize>("oldSize");
    QTest::newRow("zero width") << QSize(0, 30);
    QTest::newRow("zero height") << QSize(100, 0);
}

void TestHoverPoints::resizeWithoutOldSizeChangesNothing()
{
    QFETCH(QSize, oldSize);
    setPoints({QPointF(10, 7), QPointF(90, 20)}, false);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    QResizeEvent event(QSize(200, 60), oldSize);
    QApplication::sendEvent(widget, &event);

    QCOMPARE(changed.size(), 0);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(10, 7), QPointF(90, 20)}));
}

void TestHoverPoints::firstResizeAfterHiddenSizingRescales()
{
    // A widget sized while hidden is told of its size only when shown, with no old size;
    // the points were placed in the 100 by 30 it had before.
    QWidget hiddenParent;
    RecordingWidget *child = new RecordingWidget(&hiddenParent);
    HoverPoints *points = new HoverPoints(child, HoverPoints::RoundHandle);
    points->replacePoints({QPointF(10, 15), QPointF(100, 0)});
    child->resize(200, 60);

    hiddenParent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&hiddenParent));

    QCOMPARE(points->pointList(), QPolygonF({QPointF(20, 30), QPointF(200, 0)}));
}

void TestHoverPoints::newPointInsertsAtClick()
{
    setPoints({QPointF(0, 30), QPointF(100, 0)}, true);
    QStringList order;
    connect(hover, &HoverPoints::pointsChanged, this, [&order] { order << "points"; });
    connect(hover, &HoverPoints::alphaPointCreated, this,
            [&order](int index, qreal x) { order << QString("created %1 %2").arg(index).arg(x); });

    MenuPicker picker("new point");
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 25));
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 25));

    QCOMPARE(picker.offered, QStringList({"new point"}));
    QCOMPARE(order, QStringList({"points", "created 1 50"}));
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(0, 30), QPointF(50, 25), QPointF(100, 0)}));
    QCOMPARE(widget->presses, 0);

    // The new point takes no lock: it can be deleted again.
    MenuPicker remover("delete point");
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 25));
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 25));
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(0, 30), QPointF(100, 0)}));
}

void TestHoverPoints::deletePointRemovesUnlockedOnly()
{
    setPoints({QPointF(0, 29), QPointF(50, 25), QPointF(100, 0)}, true);
    QStringList order;
    connect(hover, &HoverPoints::pointsChanged, this, [&order] { order << "points"; });
    connect(hover, &HoverPoints::alphaPointDeleted, this,
            [&order](int index) { order << QString("deleted %1").arg(index); });

    {
        MenuPicker picker("delete point");
        QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 25));
        QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 25));
        QCOMPARE(picker.offered, QStringList({"set color", "delete point"}));
    }
    QCOMPARE(order, QStringList({"points", "deleted 1"}));
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(0, 29), QPointF(100, 0)}));

    order.clear();
    {
        MenuPicker picker("delete point");
        QTest::mousePress(widget, Qt::RightButton, {}, QPoint(1, 28));
        QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(1, 28));
        QVERIFY(picker.opened);
    }
    QCOMPARE(order, QStringList({"points"}));
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(0, 29), QPointF(100, 0)}));
}

void TestHoverPoints::setColorAsksForColour()
{
    setPoints({QPointF(0, 29), QPointF(50, 25), QPointF(100, 0)}, true);
    QSignalSpy choose(hover, &HoverPoints::chooseColor);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    MenuPicker picker("set color");
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(51, 24));
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(51, 24));

    QCOMPARE(choose.size(), 1);
    QCOMPARE(choose.at(0).at(0).toInt(), 1);
    QCOMPARE(choose.at(0).at(1).value<QWidget *>(), widget);
    QCOMPARE(changed.size(), 0);
}

void TestHoverPoints::closedMenuChangesNothing()
{
    setPoints({QPointF(0, 29), QPointF(100, 0)}, true);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);
    QSignalSpy created(hover, &HoverPoints::alphaPointCreated);

    MenuPicker picker{QString()};
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 10));
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 10));

    QVERIFY(picker.opened);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(created.size(), 0);
    QCOMPARE(hover->pointList().size(), 2);
}

void TestHoverPoints::otherButtonsAndEventsPassThrough()
{
    setPoints({QPointF(50, 15)}, false);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    QTest::mousePress(widget, Qt::MiddleButton, {}, QPoint(50, 15));
    dragTo(widget, QPointF(60, 10));
    QTest::mouseRelease(widget, Qt::MiddleButton, {}, QPoint(60, 10));
    QCOMPARE(widget->presses, 1);
    QCOMPARE(changed.size(), 0);

    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(widget->presses, 2);

    // A drag consumes its press, but the moves and the release still reach the widget.
    drag(widget, QPointF(50, 15), QPointF(60, 10));
    QCOMPARE(widget->presses, 2);
    QCOMPARE(widget->moves, 2);
    QCOMPARE(widget->releases, 3);
    QCOMPARE(changed.size(), 1);
}

void TestHoverPoints::doubleClickStartsNothing()
{
    setPoints({QPointF(50, 15)}, false);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    sendMouse(widget, QEvent::MouseButtonDblClick, QPointF(50, 15), Qt::LeftButton, Qt::LeftButton);
    dragTo(widget, QPointF(70, 5));
    sendMouse(widget, QEvent::MouseButtonRelease, QPointF(70, 5), Qt::LeftButton, Qt::NoButton);

    MenuPicker picker{QString()};
    sendMouse(widget, QEvent::MouseButtonDblClick, QPointF(20, 5), Qt::RightButton, Qt::RightButton);
    sendMouse(widget, QEvent::MouseButtonRelease, QPointF(20, 5), Qt::RightButton, Qt::NoButton);
    QTest::qWait(50);

    QVERIFY(!picker.opened);
    QCOMPARE(widget->doubleClicks, 2);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(50, 15)}));
}

void TestHoverPoints::disabledFilterIsTransparent()
{
    setPoints({QPointF(50, 15)}, false);
    QVERIFY(!isBlack(widget->grab().toImage(), 50, 15));

    hover->setDisabled(true);
    QVERIFY(isBlack(widget->grab().toImage(), 50, 15));
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, 15));
    dragTo(widget, QPointF(70, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(70, 5));
    QCOMPARE(widget->presses, 1);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(50, 15)}));

    hover->setEnabled(true);
    QVERIFY(!isBlack(widget->grab().toImage(), 50, 15));
}

void TestHoverPoints::notEditablePaintsButIgnoresPresses()
{
    setPoints({QPointF(10, 15), QPointF(50, 15)}, false);
    hover->setEditable(false);
    QVERIFY(!isBlack(widget->grab().toImage(), 50, 15));

    MenuPicker picker{QString()};
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, 15));
    dragTo(widget, QPointF(70, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(70, 5));
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 15));
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 15));
    QTest::qWait(50);
    QVERIFY(!picker.opened);
    QCOMPARE(widget->presses, 2);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(10, 15), QPointF(50, 15)}));

    widget->resize(200, 60);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(20, 30), QPointF(100, 30)}));
}

void TestHoverPoints::linkJoinsPointsOnly()
{
    setPoints({QPointF(10, 15), QPointF(90, 15)}, false);
    QVERIFY(!isBlack(widget->grab().toImage(), 50, 15));

    setPoints({QPointF(10, 15)}, false);
    const QImage single = widget->grab().toImage();
    QVERIFY(!isBlack(single, 10, 15));
    QVERIFY(isBlack(single, 50, 15));

    hover->setLinkStyle(HoverPoints::NoLink);
    setPoints({QPointF(10, 15), QPointF(90, 15)}, false);
    QVERIFY(isBlack(widget->grab().toImage(), 50, 15));
}

void TestHoverPoints::replacePointsClampsAndClearsLocksSilently()
{
    setPoints({QPointF(0, 20), QPointF(100, 10)}, true);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    hover->replacePoints({QPointF(-10, 50), QPointF(40, -3), QPointF(250, 12)});
    QCOMPARE(changed.size(), 0);
    QCOMPARE(hover->pointList(), QPolygonF({QPointF(0, 30), QPointF(40, 0), QPointF(100, 12)}));

    // No lock is left: the first point moves away from the left edge.
    drag(widget, QPointF(1, 29), QPointF(20, 29));
    QCOMPARE(hover->pointList().at(0), QPointF(20, 29));
}

QTEST_MAIN(TestHoverPoints)
#include "tst_hoverpoints.moc"
