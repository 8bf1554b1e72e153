#include "EditorTestSupport.h"
#include "HoverPoints.h"

#include <QPainter>
#include <QResizeEvent>
#include <QSignalSpy>

using namespace EditorTest;

namespace {

// A black widget that counts the mouse events that reach it past the filter.
class RecordingWidget : public QWidget
{
public:
    using QWidget::QWidget;
    int presses = 0, releases = 0, moves = 0, doubleClicks = 0;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::black); }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent *) override { ++releases; }
    void mouseMoveEvent(QMouseEvent *) override { ++moves; }
    void mouseDoubleClickEvent(QMouseEvent *) override { ++doubleClicks; }
};

bool handleShown(QWidget *widget, const QPoint &at)
{
    return (widget->grab().toImage().pixel(at) & 0xFFFFFF) != 0;
}

} // namespace

class TestHoverPoints : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { delete container; }

    void pressPicksLowerIndexAndDragFollowsSort();
    void dragIsClampedAndPinned_data();
    void dragIsClampedAndPinned();
    void boundsRectConfinesPoints();
    void resizeShowsTheSamePoints();
    void firstResizeAfterHiddenSizingRescales();
    void menuEntriesEmitInOrder();
    void unhandledEventsPassThrough();
    void disabledAndNotEditable();
    void linkStyles();

private:
    void setPoints(const QPolygonF &points, const QVector<uint> &locks = {});
    void rightClick(const QPoint &pos, const QString &entry, QStringList *offered = nullptr);

    QWidget *container = nullptr;
    RecordingWidget *widget = nullptr;
    HoverPoints *hover = nullptr;
};

void TestHoverPoints::init()
{
    container = new QWidget;
    container->resize(300, 120);
    widget = new RecordingWidget(container);
    widget->setGeometry(0, 0, 100, 30);
    hover = new HoverPoints(widget, HoverPoints::RoundHandle);
    hover->setSortMode(HoverPoints::SortByX);
    container->show();
    QVERIFY(QTest::qWaitForWindowExposed(container));
}

void TestHoverPoints::setPoints(const QPolygonF &points, const QVector<uint> &locks)
{
    hover->replacePoints(points);
    for (int i = 0; i < locks.size(); ++i)
        hover->setLock(i, locks.at(i));
}

void TestHoverPoints::rightClick(const QPoint &pos, const QString &entry, QStringList *offered)
{
    const auto picker = pickFromMenu(entry, offered);
    QTest::mousePress(widget, Qt::RightButton, {}, pos);
    QTest::mouseRelease(widget, Qt::RightButton, {}, pos);
    QVERIFY(picker->done);
}

void TestHoverPoints::pressPicksLowerIndexAndDragFollowsSort()
{
    setPoints({{40, 15}, {46, 15}, {90, 15}});
    QSignalSpy moved(hover, &HoverPoints::alphaChanged);
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);
    QPolygonF seenByReceiver;
    connect(hover, &HoverPoints::alphaChanged, this, [&] { seenByReceiver = hover->pointList(); });

    // Both handles lie under (43, 15): the lower index wins.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(43, 15));
    dragTo(widget, QPointF(70, 15));
    QCOMPARE(moved.at(0), QVariantList({0, 70.0}));
    QCOMPARE(seenByReceiver, QPolygonF({{70, 15}, {46, 15}, {90, 15}}));
    QCOMPARE(hover->pointList(), QPolygonF({{46, 15}, {70, 15}, {90, 15}}));

    dragTo(widget, QPointF(95, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(95, 5));
    QCOMPARE(moved.at(1), QVariantList({1, 95.0}));
    QCOMPARE(hover->pointList(), QPolygonF({{46, 15}, {90, 15}, {95, 5}}));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(widget->presses, 0);
}

void TestHoverPoints::dragIsClampedAndPinned_data()
{
    QTest::addColumn<uint>("lock");
    QTest::addColumn<QPointF>("target");
    QTest::addColumn<QPointF>("stored");
    QTest::newRow("above left") << 0u << QPointF(-50, -20) << QPointF(0, 0);
    QTest::newRow("below right") << 0u << QPointF(500, 300) << QPointF(100, 30);
    QTest::newRow("pinned left") << uint(HoverPoints::PinLeft) << QPointF(30, 5) << QPointF(0, 5);
    QTest::newRow("pinned right") << uint(HoverPoints::PinRight) << QPointF(30, 500) << QPointF(100, 30);
}

void TestHoverPoints::dragIsClampedAndPinned()
{
    QFETCH(uint, lock);
    QFETCH(QPointF, target);
    QFETCH(QPointF, stored);
    setPoints({{50, 15}}, {lock});
    drag(widget, QPointF(50, 15), target);
    QCOMPARE(hover->pointList(), QPolygonF({stored}));
}

void TestHoverPoints::boundsRectConfinesPoints()
{
    hover->setBoundsRect(QRectF(10, 5, 50, 20));
    setPoints({{30, 15}});
    drag(widget, QPointF(30, 15), QPointF(90, 29));
    QCOMPARE(hover->pointList(), QPolygonF({{60, 25}}));
}

// A resize shows the same points at the new size: it moves none (not even a pinned one onto
// its edge), announces nothing, and after a squeeze to nothing the points come back as they
// were.
void TestHoverPoints::resizeShowsTheSamePoints()
{
    setPoints({{10.3, 7.25}, {99, 30}}, {0, HoverPoints::PinRight});
    const QPolygonF data = hover->dataList();
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    widget->resize(200, 60);
    QCOMPARE(hover->pointList(), QPolygonF({{21, 15}, {198, 60}}));
    widget->resize(0, 0);
    QCOMPARE(hover->pointList(), QPolygonF({{0, 0}, {0, 0}}));
    widget->resize(200, 60);
    QCOMPARE(hover->pointList(), QPolygonF({{21, 15}, {198, 60}}));
    QCOMPARE(hover->dataList(), data);
    QCOMPARE(changed.size(), 0);
}

void TestHoverPoints::firstResizeAfterHiddenSizingRescales()
{
    // Sized while hidden, the widget hears of its size only when shown, with no old size;
    // the points were placed in the 100 by 30 it had before.
    QWidget hiddenParent;
    QWidget *child = new QWidget(&hiddenParent);
    HoverPoints *points = new HoverPoints(child, HoverPoints::RoundHandle);
    points->replacePoints({{10, 15}, {100, 0}});
    child->resize(200, 60);
    hiddenParent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&hiddenParent));
    QCOMPARE(points->pointList(), QPolygonF({{20, 30}, {200, 0}}));
}

void TestHoverPoints::menuEntriesEmitInOrder()
{
    setPoints({{0, 29}, {100, 0}}, {HoverPoints::PinLeft, HoverPoints::PinRight});
    QStringList order;
    connect(hover, &HoverPoints::pointsChanged, this, [&] { order << "points"; });
    connect(hover, &HoverPoints::alphaPointCreated, this,
            [&](int index, qreal x) { order << QString("created %1 %2").arg(index).arg(x); });
    connect(hover, &HoverPoints::alphaPointDeleted, this, [&](int index) { order << QString("deleted %1").arg(index); });
    QSignalSpy chosen(hover, &HoverPoints::chooseColor);

    QStringList offered;
    rightClick(QPoint(50, 25), "new point", &offered);
    QCOMPARE(offered, QStringList({"new point"}));
    QCOMPARE(hover->pointList(), QPolygonF({{0, 29}, {50, 25}, {100, 0}}));

    offered.clear();
    rightClick(QPoint(51, 24), "set color", &offered);
    QCOMPARE(offered, QStringList({"set color", "delete point"}));
    QCOMPARE(chosen.at(0), QVariantList({1, QVariant::fromValue<QWidget *>(widget)}));

    rightClick(QPoint(50, 25), "delete point");
    rightClick(QPoint(1, 28), "delete point");  // pinned: stays
    rightClick(QPoint(50, 10), QString());        // menu closed without a choice
    QCOMPARE(order, QStringList({"points", "created 1 50", "points", "deleted 1", "points"}));
    QCOMPARE(hover->pointList(), QPolygonF({{0, 29}, {100, 0}}));
    QCOMPARE(widget->presses, 0);
}

void TestHoverPoints::unhandledEventsPassThrough()
{
    setPoints({{50, 15}});
    QSignalSpy changed(hover, &HoverPoints::pointsChanged);

    QTest::mousePress(widget, Qt::MiddleButton, {}, QPoint(50, 15));
    dragTo(widget, QPointF(60, 10));
    QTest::mouseRelease(widget, Qt::MiddleButton, {}, QPoint(60, 10));

    // The second press of a double click arrives as its own event: no drag, no menu.
    const auto picker = pickFromMenu(QString());
    sendMouse(widget, QEvent::MouseButtonDblClick, QPointF(50, 15), Qt::LeftButton, Qt::LeftButton);
    dragTo(widget, QPointF(70, 5));
    sendMouse(widget, QEvent::MouseButtonDblClick, QPointF(20, 5), Qt::RightButton, Qt::RightButton);
    // A menu runs its own loop, in which the picker answers it; none is open or was answered.
    QVERIFY(!picker->done && !QApplication::activePopupWidget());
    QCOMPARE(changed.size(), 0);
    QCOMPARE(widget->presses, 1);
    QCOMPARE(widget->doubleClicks, 2);

    // A drag consumes its press only; moves and the release reach the widget.
    drag(widget, QPointF(50, 15), QPointF(60, 10));
    QCOMPARE(widget->presses, 1);
    QCOMPARE(widget->moves, 3);
    QCOMPARE(widget->releases, 2);
    QCOMPARE(changed.size(), 1);
}

void TestHoverPoints::disabledAndNotEditable()
{
    setPoints({{10, 15}, {50, 15}});
    QVERIFY(handleShown(widget, QPoint(50, 15)));
    QVERIFY(handleShown(widget, QPoint(30, 15)));  // the link

    hover->setDisabled(true);
    QVERIFY(!handleShown(widget, QPoint(50, 15)));
    drag(widget, QPointF(50, 15), QPointF(70, 5));
    QCOMPARE(widget->presses, 1);
    hover->setEnabled(true);

    hover->setEditable(false);
    QVERIFY(handleShown(widget, QPoint(50, 15)));
    const auto picker = pickFromMenu(QString());
    drag(widget, QPointF(50, 15), QPointF(70, 5));
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 15));
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 15));
    // A menu runs its own loop, in which the picker answers it; none is open or was answered.
    QVERIFY(!picker->done && !QApplication::activePopupWidget());
    QCOMPARE(widget->presses, 3);
    QCOMPARE(hover->pointList(), QPolygonF({{10, 15}, {50, 15}}));

    widget->resize(200, 60);
    QCOMPARE(hover->pointList(), QPolygonF({{20, 30}, {100, 30}}));
}

void TestHoverPoints::linkStyles()
{
    // Near its start a curved link runs level; the straight one has already risen.
    setPoints({{10, 25}, {90, 5}});
    QVERIFY(!handleShown(widget, QPoint(20, 24)));
    hover->setLinkStyle(HoverPoints::CurvedLink);
    QVERIFY(handleShown(widget, QPoint(20, 24)));
    hover->setLinkStyle(HoverPoints::NoLink);
    QVERIFY(!handleShown(widget, QPoint(50, 15)));
}

QTEST_MAIN(TestHoverPoints)
#include "tst_hoverpoints.moc"
