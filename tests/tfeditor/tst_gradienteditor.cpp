#include "CurveMath.h"
#include "EditorTestSupport.h"
#include "GradientEditor.h"
#include "HoverPoints.h"
#include "ShadeWidget.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <vector>

using namespace EditorTest;
using CurveMath::valueToHeight;

class TestGradientEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stacksFourChannels();
    void stopsSetEightPoints();
    void equalPositionsGiveOneStop();
    void fractionalPointsGiveTwoStops();
    void singleStopIsPinnedRight();
    void stopBeyondOneIsClamped();
    void emptyStopsChangeNothing();
    void pointBeyondWidthAbandonsUpdate();
    void couplingSilencesChangesButResizeEmitsOnce();
    void histogramBecomesBackdrop();

    void tableStartsEmpty();
    void tableSpansRange_data();
    void tableSpansRange();
    void refusedRangesLeaveTable_data();
    void refusedRangesLeaveTable();

    void couplingAlignsColoursToAlpha();
    void coupledDragEmitsOnce();
    void coupledInsertEmitsOnce();
    void coupledDeleteEmitsOnce();
    void uncoupledAlphaEditsLeaveColours();
    void switchingCouplingOffEmitsNothing();
    void coupledSlotsSkipMissingIndex();

    void colorDialogSetsAllChannels_data();
    void colorDialogSetsAllChannels();
    void colorDialogFromColourCurve();

private:
    QPolygonF points(int channel) const { return shades[channel]->curvePoints(); }
    void setCurve(int channel, const QPolygonF &curve);
    QRgb composedAt(int column) const;
    void rightClick(ShadeWidget *shade, const QPoint &pos, const QString &entry);

    std::unique_ptr<GradientEditor> editor;
    std::vector<ShadeWidget *> shades;
    std::unique_ptr<QSignalSpy> announced;
};

enum { Red, Green, Blue, Alpha };

void TestGradientEditor::init()
{
    editor = std::make_unique<GradientEditor>(nullptr);
    const QList<ShadeWidget *> children = editor->findChildren<ShadeWidget *>();
    shades.assign(children.begin(), children.end());
    QCOMPARE(int(shades.size()), 4);
    editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
    QCOMPARE(shades[Alpha]->width(), 512);
    announced = std::make_unique<QSignalSpy>(editor.get(), &GradientEditor::gradientStopsChanged);
}

void TestGradientEditor::cleanup()
{
    announced.reset();
    editor.reset();
}

void TestGradientEditor::setCurve(int channel, const QPolygonF &curve)
{
    HoverPoints *hover = shades[channel]->pointEditor();
    hover->replacePoints(curve);
    hover->setLock(0, HoverPoints::PinLeft);
    hover->setLock(curve.size() - 1, HoverPoints::PinRight);
}

QRgb TestGradientEditor::composedAt(int column) const
{
    return qRgba(qRed(shades[Red]->sampleAt(column)), qGreen(shades[Green]->sampleAt(column)),
                 qBlue(shades[Blue]->sampleAt(column)), qAlpha(shades[Alpha]->sampleAt(column)));
}

void TestGradientEditor::rightClick(ShadeWidget *shade, const QPoint &pos, const QString &entry)
{
    MenuPicker picker(entry);
    QTest::mousePress(shade, Qt::RightButton, {}, pos);
    QTest::mouseRelease(shade, Qt::RightButton, {}, pos);
    QVERIFY(picker.opened);
}

static QGradientStops lastStops(const QSignalSpy &spy)
{
    return spy.last().at(0).value<QGradientStops>();
}

static QGradientStops defaultStops()
{
    return {QGradientStop(0.0, QColor::fromRgba(0x00000000)), QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFF)),
            QGradientStop(1.0, QColor::fromRgba(0x00000000))};
}

void TestGradientEditor::stacksFourChannels()
{
    const int heights[] = {33, 33, 33, 65};
    const int tops[] = {1, 35, 69, 103};
    for (int c = Red; c <= Alpha; ++c) {
        QCOMPARE(shades[c]->geometry(), QRect(1, tops[c], 512, heights[c]));
        QCOMPARE(shades[c]->sizeHint().height(), heights[c]);
    }
    // The first layout rescaled the initial rise to the real size.
    QCOMPARE(points(Red), QPolygonF({QPointF(0, 33), QPointF(512, 0)}));
    QCOMPARE(points(Alpha), QPolygonF({QPointF(0, 65), QPointF(512, 0)}));
}

void TestGradientEditor::stopsSetEightPoints()
{
    editor->setGradientStops({QGradientStop(0.0, QColor::fromRgba(0xFFFF0000)),
                              QGradientStop(1.0, QColor::fromRgba(0x000000FF))});

    QCOMPARE(points(Red), QPolygonF({QPointF(0, 0), QPointF(512, 32)}));
    QCOMPARE(points(Green), QPolygonF({QPointF(0, 32), QPointF(512, 32)}));
    QCOMPARE(points(Blue), QPolygonF({QPointF(0, 32), QPointF(512, 0)}));
    QCOMPARE(points(Alpha), QPolygonF({QPointF(0, 0), QPointF(512, 64)}));

    QCOMPARE(announced->size(), 1);
    const QGradientStops stops = lastStops(*announced);
    QCOMPARE(stops.size(), 2);
    QCOMPARE(stops.at(0).first, 0.0);
    QCOMPARE(stops.at(1).first, 1.0);
    QCOMPARE(stops.at(0).second.rgba(), composedAt(0));
    QVERIFY(stops.at(0).second.red() > 240 && stops.at(0).second.alpha() > 240);

    // The ends are pinned: a drag moves the first red point only up and down.
    drag(shades[Red], QPointF(1, 1), QPointF(60, 10));
    QCOMPARE(points(Red).at(0), QPointF(0, 10));
}

void TestGradientEditor::equalPositionsGiveOneStop()
{
    editor->setGradientStops({QGradientStop(0.0, Qt::black), QGradientStop(100.0 / 512, Qt::white),
                              QGradientStop(1.0, Qt::black)});
    const QGradientStops stops = lastStops(*announced);
    QCOMPARE(stops.size(), 3);
    QCOMPARE(stops.at(1).first, 100.0 / 512);
}

void TestGradientEditor::fractionalPointsGiveTwoStops()
{
    setCurve(Red, {QPointF(0, 32), QPointF(100.6, 5), QPointF(512, 32)});
    setCurve(Green, {QPointF(0, 32), QPointF(100.8, 20), QPointF(512, 32)});
    setCurve(Blue, {QPointF(0, 32), QPointF(512, 32)});
    setCurve(Alpha, {QPointF(0, 64), QPointF(512, 64)});
    editor->pointsUpdated();

    const QGradientStops stops = lastStops(*announced);
    QCOMPARE(stops.size(), 4);
    QCOMPARE(stops.at(1).first, 100.0 / 512);
    QCOMPARE(stops.at(2).first, 100.0 / 512);
    QCOMPARE(stops.at(1).second, stops.at(2).second);
    QCOMPARE(stops.at(1).second.rgba(), composedAt(100));
}

void TestGradientEditor::singleStopIsPinnedRight()
{
    editor->setGradientStops({QGradientStop(0.3, QColor(10, 20, 30, 40))});
    for (int c = Red; c <= Alpha; ++c)
        QCOMPARE(points(c).size(), 1);
    QCOMPARE(points(Red).at(0).x(), 154.0);
    QCOMPARE(lastStops(*announced).size(), 1);
    QCOMPARE(lastStops(*announced).at(0).first, 154.0 / 512);

    // Its lock is the right pin: the next placement puts it on the right edge.
    drag(shades[Alpha], QPointF(154, points(Alpha).at(0).y()), QPointF(60, 30));
    QCOMPARE(points(Alpha).at(0), QPointF(512, 30));
}

void TestGradientEditor::stopBeyondOneIsClamped()
{
    editor->setGradientStops({QGradientStop(0.0, Qt::black), QGradientStop(1.5, Qt::white)});
    for (int c = Red; c <= Alpha; ++c)
        QCOMPARE(points(c).at(1).x(), 512.0);
    const QGradientStops stops = lastStops(*announced);
    QCOMPARE(stops.size(), 2);
    QCOMPARE(stops.at(1).first, 1.0);
}

void TestGradientEditor::emptyStopsChangeNothing()
{
    editor->setGradientStops(defaultStops());
    const QPolygonF alphaBefore = points(Alpha);
    announced->clear();

    editor->setGradientStops(QGradientStops());

    QCOMPARE(announced->size(), 0);
    QCOMPARE(points(Alpha), alphaBefore);
    QCOMPARE(points(Red).size(), 3);
}

void TestGradientEditor::pointBeyondWidthAbandonsUpdate()
{
    editor->setGradientStops(defaultStops());
    announced->clear();

    // The alpha editor alone narrows: the colour points at 512 lie beyond its width.
    shades[Alpha]->resize(400, 65);
    QCOMPARE(announced->size(), 0);

    // The ramp still peaks in white at the old middle, column 256.
    shades[Alpha]->pointEditor()->replacePoints({QPointF(0, 0), QPointF(400, 0)});
    QVERIFY(qRed(shades[Alpha]->sampleAt(256)) > 240);
}

void TestGradientEditor::couplingSilencesChangesButResizeEmitsOnce()
{
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    announced->clear();

    shades[Red]->pointEditor()->placePoint(1, QPointF(256, 20), true);
    shades[Green]->pointEditor()->publishPoints();
    QCOMPARE(announced->size(), 0);

    editor->resize(602, editor->height());
    QCOMPARE(shades[Alpha]->width(), 600);
    QCOMPARE(announced->size(), 1);
    QCOMPARE(lastStops(*announced).at(1).first, 300.0 / 600);
}

void TestGradientEditor::histogramBecomesBackdrop()
{
    QPixmap *histogram = new QPixmap(4096, 65);
    histogram->fill(Qt::darkBlue);
    editor->setHistogram(histogram);
    const QImage backdrop = shades[Alpha]->palette().brush(QPalette::Window).texture().toImage();
    QCOMPARE(backdrop.size(), QSize(512, 65));
    QCOMPARE(backdrop.pixel(100, 30), QColor(Qt::darkBlue).rgb());
    QCOMPARE(announced->size(), 0);
}

void TestGradientEditor::tableStartsEmpty()
{
    const quint32 *table = editor->transferTable();
    for (int i = 0; i < CurveMath::TableSize; ++i)
        QCOMPARE(table[i], 0u);
    editor->buildTransferTable(0, 4095);
    QCOMPARE(editor->transferTable(), table);
}

void TestGradientEditor::tableSpansRange_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::newRow("0..4095") << 0 << 4095;
    QTest::newRow("0..49") << 0 << 49;
    QTest::newRow("100..100") << 100 << 100;
    QTest::newRow("300..2347") << 300 << 2347;
}

void TestGradientEditor::tableSpansRange()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    // A curve that differs in every channel and column.
    setCurve(Red, {QPointF(0, 32), QPointF(512, 0)});
    setCurve(Green, {QPointF(0, 0), QPointF(300, 32), QPointF(512, 10)});
    setCurve(Blue, {QPointF(0, 16), QPointF(100, 0), QPointF(512, 32)});
    setCurve(Alpha, {QPointF(0, 64), QPointF(256, 0), QPointF(512, 64)});
    editor->buildTransferTable(0, 4095);

    editor->buildTransferTable(lo, hi);

    const quint32 *table = editor->transferTable();
    const float step = CurveMath::tableStep(512, lo, hi);
    for (int i = 0; i < CurveMath::TableSize; ++i) {
        const quint32 expected = (i < lo || i > hi) ? 0 : composedAt(CurveMath::tableColumn(i, lo, step));
        QVERIFY2(table[i] == expected, qPrintable(QString("entry %1").arg(i)));
    }
    QCOMPARE(table[lo], composedAt(0));
    if (lo == 0 && hi == 4095) {
        for (int i = 1; i < 8; ++i)
            QCOMPARE(table[i], table[0]);
        QCOMPARE(table[4095], composedAt(511));
    }
    if (lo == 0 && hi == 49)
        QCOMPARE(table[25], composedAt(255));
}

void TestGradientEditor::refusedRangesLeaveTable_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::newRow("reversed") << 5 << 4;
    QTest::newRow("below zero") << -1 << 100;
    QTest::newRow("beyond 4095") << 0 << 4096;
}

void TestGradientEditor::refusedRangesLeaveTable()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    editor->setGradientStops(defaultStops());
    editor->buildTransferTable(10, 3000);
    const std::vector<quint32> before(editor->transferTable(), editor->transferTable() + CurveMath::TableSize);
    QVERIFY(before[1500] != 0);

    editor->setGradientStops({QGradientStop(0.0, Qt::white), QGradientStop(1.0, Qt::white)});
    editor->buildTransferTable(lo, hi);

    const std::vector<quint32> after(editor->transferTable(), editor->transferTable() + CurveMath::TableSize);
    QVERIFY(after == before);
}

void TestGradientEditor::couplingAlignsColoursToAlpha()
{
    setCurve(Red, {QPointF(0, 32), QPointF(100, 0), QPointF(300, 10), QPointF(512, 20)});
    setCurve(Green, {QPointF(0, 5), QPointF(512, 30)});
    setCurve(Blue, {QPointF(0, 0), QPointF(150, 32), QPointF(250, 0), QPointF(512, 0)});
    setCurve(Alpha, {QPointF(0, 64), QPointF(200, 0), QPointF(512, 64)});
    const qreal xs[] = {0, 200, 512};
    QPolygonF expected[3];
    for (qreal x : xs) {
        expected[Red] << QPointF(x, valueToHeight(qRed(shades[Red]->sampleAt(int(x))), 33));
        expected[Green] << QPointF(x, valueToHeight(qGreen(shades[Green]->sampleAt(int(x))), 33));
        expected[Blue] << QPointF(x, valueToHeight(qBlue(shades[Blue]->sampleAt(int(x))), 33));
    }
    announced->clear();

    editor->moveColorsToAlpha(true);

    for (int c = Red; c <= Blue; ++c)
        QCOMPARE(points(c), expected[c]);
    QCOMPARE(announced->size(), 1);
    QCOMPARE(lastStops(*announced).size(), 3);

    // The colour curves take no mouse input any more.
    drag(shades[Green], QPointF(1, points(Green).at(0).y()), QPointF(1, 20));
    QCOMPARE(points(Green), expected[Green]);
}

void TestGradientEditor::coupledDragEmitsOnce()
{
    editor->setGradientStops({QGradientStop(0.0, QColor(255, 0, 0, 0)), QGradientStop(0.25, QColor(0, 255, 0, 255)),
                              QGradientStop(0.5, QColor(0, 0, 255, 128)), QGradientStop(1.0, QColor(255, 255, 255, 0))});
    editor->moveColorsToAlpha(true);
    const QPolygonF redBefore = points(Red);
    const QPointF grip = points(Alpha).at(2);
    announced->clear();

    QTest::mousePress(shades[Alpha], Qt::LeftButton, {}, grip.toPoint());
    dragTo(shades[Alpha], QPointF(300, grip.y()));
    QCOMPARE(announced->size(), 1);
    for (int c = Red; c <= Blue; ++c)
        QCOMPARE(points(c).at(2).x(), 300.0);
    QCOMPARE(points(Red).at(2).y(), redBefore.at(2).y());
    QCOMPARE(lastStops(*announced).at(2).first, 300.0 / 512);

    // Past its right neighbour the point is re-sorted in every channel alike.
    dragTo(shades[Alpha], QPointF(100, grip.y()));
    QTest::mouseRelease(shades[Alpha], Qt::LeftButton, {}, QPoint(100, int(grip.y())));
    QCOMPARE(announced->size(), 2);
    for (int c = Red; c <= Blue; ++c)
        QCOMPARE(points(c).at(1).x(), 100.0);
    QCOMPARE(points(Alpha).at(1).x(), 100.0);
    QCOMPARE(lastStops(*announced).size(), 4);
}

void TestGradientEditor::coupledInsertEmitsOnce()
{
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    announced->clear();

    rightClick(shades[Alpha], QPoint(100, 40), "new point");

    for (int c = Red; c <= Blue; ++c) {
        QCOMPARE(points(c).size(), 4);
        QCOMPARE(points(c).at(1), QPointF(100, 0));
    }
    QCOMPARE(points(Alpha).at(1), QPointF(100, 40));
    QCOMPARE(announced->size(), 1);
    const QGradientStop added = lastStops(*announced).at(1);
    QCOMPARE(added.first, 100.0 / 512);
    QVERIFY(added.second.red() > 240 && added.second.green() > 240 && added.second.blue() > 240);
}

void TestGradientEditor::coupledDeleteEmitsOnce()
{
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    announced->clear();

    rightClick(shades[Alpha], points(Alpha).at(1).toPoint() + QPoint(0, 1), "delete point");

    for (int c = Red; c <= Alpha; ++c)
        QCOMPARE(points(c).size(), 2);
    QCOMPARE(announced->size(), 1);
    QCOMPARE(lastStops(*announced).size(), 2);
}

void TestGradientEditor::uncoupledAlphaEditsLeaveColours()
{
    editor->setGradientStops(defaultStops());
    const QPolygonF redBefore = points(Red);
    announced->clear();

    drag(shades[Alpha], points(Alpha).at(1).toPoint() + QPoint(0, 1), QPointF(300, 30));
    rightClick(shades[Alpha], QPoint(100, 40), "new point");
    rightClick(shades[Alpha], QPoint(100, 40), "delete point");
    editor->moveColorsWithAlpha(1, 50);
    editor->newColorPoints(1, 50);
    editor->deleteColorPoints(1);

    QCOMPARE(points(Red), redBefore);
    QCOMPARE(announced->size(), 3);
}

void TestGradientEditor::switchingCouplingOffEmitsNothing()
{
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    const QPolygonF redBefore = points(Red);
    announced->clear();

    editor->moveColorsToAlpha(false);
    QCOMPARE(announced->size(), 0);
    QCOMPARE(points(Red), redBefore);

    // The colour curves are editable again, and every edit is announced at once.
    drag(shades[Red], redBefore.at(1) + QPointF(0, 1), QPointF(200, 20));
    QCOMPARE(points(Red).at(1), QPointF(200, 20));
    QCOMPARE(announced->size(), 1);
}

void TestGradientEditor::coupledSlotsSkipMissingIndex()
{
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    // The red curve falls out of step with the alpha curve.
    setCurve(Red, {QPointF(0, 32), QPointF(512, 0)});
    announced->clear();

    editor->moveColorsWithAlpha(2, 400);
    QCOMPARE(points(Red), QPolygonF({QPointF(0, 32), QPointF(512, 0)}));
    QCOMPARE(points(Green).at(2).x(), 512.0);  // pinned right

    editor->newColorPoints(3, 450);
    QCOMPARE(points(Red).size(), 2);
    QCOMPARE(points(Green).size(), 4);
    QCOMPARE(points(Green).at(3), QPointF(450, 0));

    editor->deleteColorPoints(2);
    QCOMPARE(points(Red).size(), 2);
    QCOMPARE(points(Green).size(), 3);
    QCOMPARE(announced->size(), 2);
}

void TestGradientEditor::colorDialogSetsAllChannels_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestGradientEditor::colorDialogSetsAllChannels()
{
    QFETCH(bool, accept);
    setCurve(Red, {QPointF(0, 32), QPointF(100, 0), QPointF(200, 20), QPointF(512, 32)});
    setCurve(Green, {QPointF(0, 32), QPointF(150, 10), QPointF(512, 32)});
    setCurve(Blue, {QPointF(0, 20), QPointF(512, 20)});
    setCurve(Alpha, {QPointF(0, 64), QPointF(150, 20), QPointF(512, 64)});
    const QRgb current = composedAt(150);
    const QColor chosen(200, 30, 5, 128);
    const QRgb applied = accept ? chosen.rgba() : current;
    announced->clear();

    ColorDialogDriver driver(chosen, accept);
    rightClick(shades[Alpha], QPoint(150, 21), "set color");

    QVERIFY(driver.opened);
    QVERIFY(driver.alphaShown);
    QCOMPARE(driver.initial.rgba(), current);
    QCOMPARE(points(Red), QPolygonF({QPointF(0, 32), QPointF(100, 0), QPointF(150, valueToHeight(qRed(applied), 33)),
                                     QPointF(200, 20), QPointF(512, 32)}));
    QCOMPARE(points(Green), QPolygonF({QPointF(0, 32), QPointF(150, valueToHeight(qGreen(applied), 33)),
                                       QPointF(512, 32)}));
    QCOMPARE(points(Blue), QPolygonF({QPointF(0, 20), QPointF(150, valueToHeight(qBlue(applied), 33)),
                                      QPointF(512, 20)}));
    QCOMPARE(points(Alpha), QPolygonF({QPointF(0, 64), QPointF(150, valueToHeight(qAlpha(applied), 65)),
                                       QPointF(512, 64)}));
    QCOMPARE(announced->size(), 1);
}

void TestGradientEditor::colorDialogFromColourCurve()
{
    editor->setGradientStops(defaultStops());
    setCurve(Red, {QPointF(0, 32), QPointF(150, 10), QPointF(512, 32)});
    announced->clear();

    ColorDialogDriver driver(QColor(255, 255, 255, 255), true);
    rightClick(shades[Red], QPoint(150, 11), "set color");

    QVERIFY(driver.opened);
    QCOMPARE(points(Red).at(1), QPointF(150, 0));
    QCOMPARE(points(Green).at(1), QPointF(150, 0));
    QCOMPARE(points(Alpha).at(1), QPointF(150, 0));
    QCOMPARE(points(Alpha).size(), 4);
    QCOMPARE(announced->size(), 1);
}

QTEST_MAIN(TestGradientEditor)
#include "tst_gradienteditor.moc"
