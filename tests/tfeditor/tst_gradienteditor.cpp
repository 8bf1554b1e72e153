#include "CurveMath.h"
#include "DefaultStops.h"
#include "EditorTestSupport.h"
#include "GradientEditor.h"
#include "HoverPoints.h"
#include "ShadeWidget.h"

#include <QSignalSpy>

#include <vector>

using namespace EditorTest;

enum { Red, Green, Blue, Alpha };

class TestGradientEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stopsSetEightPinnedPoints();
    void stopListEdgeCases();
    void fractionalPointsGiveTwoStops();
    void pointBeyondWidthAbandonsUpdate();
    void tableSpansRange_data();
    void tableSpansRange();
    void couplingOnAndOff();
    void coupledEditsEmitOnce();
    void uncoupledAlphaEditsLeaveColours();
    void coupledSlotsSkipMissingIndex();
    void colorDialogSetsAllChannels_data();
    void colorDialogSetsAllChannels();
    void editsAreToldFromInstalls_data();
    void editsAreToldFromInstalls();
    void stopsSetWhileSqueezedKeepTheirValues();

private:
    QPolygonF points(int channel) const { return shades[channel]->curvePoints(); }
    QGradientStops lastStops() const { return announced->last().at(0).value<QGradientStops>(); }
    void setCurve(int channel, const QPolygonF &curve);
    QRgb composedAt(int column) const;
    void rightClick(int channel, const QPoint &pos, const QString &entry);

    GradientEditor *editor = nullptr;
    std::vector<ShadeWidget *> shades;
    QSignalSpy *announced = nullptr;
};

void TestGradientEditor::init()
{
    editor = new GradientEditor(nullptr);
    const QList<ShadeWidget *> children = editor->findChildren<ShadeWidget *>();
    shades.assign(children.begin(), children.end());
    editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor));
    QCOMPARE(shades[Red]->geometry(), QRect(1, 1, 512, 33));
    QCOMPARE(shades[Alpha]->geometry(), QRect(1, 103, 512, 65));
    announced = new QSignalSpy(editor, &GradientEditor::gradientStopsChanged);
}

void TestGradientEditor::cleanup()
{
    delete announced;
    delete editor;
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

void TestGradientEditor::rightClick(int channel, const QPoint &pos, const QString &entry)
{
    const auto picker = pickFromMenu(entry);
    QTest::mousePress(shades[channel], Qt::RightButton, {}, pos);
    QTest::mouseRelease(shades[channel], Qt::RightButton, {}, pos);
    QVERIFY(picker->done);
}

void TestGradientEditor::stopsSetEightPinnedPoints()
{
    editor->setGradientStops({QGradientStop(0.0, QColor::fromRgba(0xFFFF0000)),
                              QGradientStop(1.0, QColor::fromRgba(0x000000FF))});
    QCOMPARE(points(Red), QPolygonF({{0, 0}, {512, 32}}));
    QCOMPARE(points(Green), QPolygonF({{0, 32}, {512, 32}}));
    QCOMPARE(points(Blue), QPolygonF({{0, 32}, {512, 0}}));
    QCOMPARE(points(Alpha), QPolygonF({{0, 0}, {512, 64}}));
    QCOMPARE(announced->size(), 1);
    QCOMPARE(lastStops().size(), 2);
    QCOMPARE(lastStops().at(1).first, 1.0);
    QCOMPARE(lastStops().at(0).second.rgba(), composedAt(0));

    drag(shades[Red], QPointF(1, 1), QPointF(60, 10));
    QCOMPARE(points(Red).at(0), QPointF(0, 10));
}

void TestGradientEditor::stopListEdgeCases()
{
    // Equal positions in all four channels make one stop.
    editor->setGradientStops({QGradientStop(0.0, Qt::black), QGradientStop(100.0 / 512, Qt::white),
                              QGradientStop(1.5, Qt::black)});
    QCOMPARE(points(Alpha).at(2).x(), 512.0);  // 1.5 gives 768, clamped
    QCOMPARE(lastStops().size(), 3);
    QCOMPARE(lastStops().at(1).first, 100.0 / 512);

    // An empty list (an empty stops file) keeps everything as it is.
    editor->setGradientStops(QGradientStops());
    QCOMPARE(announced->size(), 1);
    QCOMPARE(points(Red).size(), 3);

    // A single stop gives one point per channel, pinned to the right edge.
    editor->setGradientStops({QGradientStop(0.3, QColor(10, 20, 30, 40))});
    QCOMPARE(points(Red), QPolygonF({{154, heightOf(10, 33)}}));
    QCOMPARE(lastStops().size(), 1);
    drag(shades[Alpha], points(Alpha).at(0), QPointF(60, 30));
    QCOMPARE(points(Alpha), QPolygonF({{512, 30}}));
}

void TestGradientEditor::fractionalPointsGiveTwoStops()
{
    setCurve(Red, {{0, 32}, {100.6, 5}, {512, 32}});
    setCurve(Green, {{0, 32}, {100.8, 20}, {512, 32}});
    editor->pointsUpdated();
    const QGradientStops stops = lastStops();
    QCOMPARE(stops.size(), 4);
    QCOMPARE(stops.at(1).first, 100.0 / 512);
    QCOMPARE(stops.at(2).first, 100.0 / 512);
    QCOMPARE(stops.at(2).second.rgba(), composedAt(100));
    QCOMPARE(stops.at(1).second, stops.at(2).second);
}

void TestGradientEditor::pointBeyondWidthAbandonsUpdate()
{
    editor->setGradientStops(defaultStops());
    // The alpha editor alone narrows: the colour points at 512 lie beyond its width.
    shades[Alpha]->resize(400, 65);
    QCOMPARE(announced->size(), 1);
    // The ramp of the last stops still peaks in white at the old middle.
    shades[Alpha]->pointEditor()->replacePoints({{0, 0}, {400, 0}});
    QVERIFY(qRed(shades[Alpha]->sampleAt(256)) > 240);
}

void TestGradientEditor::tableSpansRange_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<bool>("refused");
    QTest::newRow("0..4095") << 0 << 4095 << false;
    QTest::newRow("0..49") << 0 << 49 << false;
    QTest::newRow("100..100") << 100 << 100 << false;
    QTest::newRow("5..4") << 5 << 4 << true;
    QTest::newRow("-1..100") << -1 << 100 << true;
    QTest::newRow("0..4096") << 0 << 4096 << true;
}

void TestGradientEditor::tableSpansRange()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(bool, refused);
    const quint32 *table = editor->transferTable();
    QVERIFY(std::all_of(table, table + 4096, [](quint32 entry) { return entry == 0; }));
    setCurve(Red, {{0, 32}, {512, 0}});
    setCurve(Green, {{0, 0}, {300, 32}, {512, 10}});
    setCurve(Blue, {{0, 16}, {100, 0}, {512, 32}});
    setCurve(Alpha, {{0, 64}, {256, 0}, {512, 64}});
    editor->buildTransferTable(20, 3000);
    const std::vector<quint32> before(table, table + 4096);

    editor->buildTransferTable(lo, hi);

    QCOMPARE(editor->transferTable(), table);
    const float step = CurveMath::tableStep(512, lo, hi);
    for (int i = 0; i < 4096; ++i) {
        const quint32 expected = refused ? before[i]
                                 : (i < lo || i > hi) ? 0
                                                      : composedAt(CurveMath::tableColumn(i, lo, step));
        QVERIFY2(table[i] == expected, qPrintable(QString("entry %1").arg(i)));
    }
    if (!refused)
        QCOMPARE(table[lo], composedAt(0));
    if (hi == 4095)
        QCOMPARE(table[4095], composedAt(511));
}

void TestGradientEditor::couplingOnAndOff()
{
    setCurve(Red, {{0, 32}, {100, 0}, {300, 10}, {512, 20}});
    setCurve(Green, {{0, 5}, {512, 30}});
    setCurve(Alpha, {{0, 64}, {200, 0}, {512, 64}});
    QPolygonF expected[3];
    for (int x : {0, 200, 512}) {
        expected[Red] << QPointF(x, heightOf(qRed(shades[Red]->sampleAt(x)), 33));
        expected[Green] << QPointF(x, heightOf(qGreen(shades[Green]->sampleAt(x)), 33));
        expected[Blue] << QPointF(x, heightOf(qBlue(shades[Blue]->sampleAt(x)), 33));
    }

    editor->moveColorsToAlpha(true);
    for (int c = Red; c <= Blue; ++c)
        QCOMPARE(points(c), expected[c]);
    QCOMPARE(announced->size(), 1);

    // Colour changes alone are silent and the colour curves take no mouse input; a resize
    // of the editor shows the curves at the new width and announces nothing.
    shades[Red]->pointEditor()->placePoint(1, QPointF(250, 20), true);
    drag(shades[Green], expected[Green].at(1), QPointF(250, 20));
    QCOMPARE(points(Green), expected[Green]);
    editor->resize(602, editor->height());
    QCOMPARE(announced->size(), 1);
    for (int c = Green; c <= Alpha; ++c)
        QCOMPARE(points(c).at(1).x(), 234.0);  // 200 of 512 at 600

    const QPolygonF redBefore = points(Red);
    editor->moveColorsToAlpha(false);
    QCOMPARE(announced->size(), 1);
    QCOMPARE(points(Red), redBefore);
    drag(shades[Red], redBefore.at(1), QPointF(100, 20));
    QCOMPARE(points(Red).at(1), QPointF(100, 20));
    QCOMPARE(announced->size(), 2);
}

void TestGradientEditor::coupledEditsEmitOnce()
{
    editor->setGradientStops({QGradientStop(0.0, QColor(255, 0, 0, 0)), QGradientStop(0.25, QColor(0, 255, 0, 255)),
                              QGradientStop(0.5, QColor(0, 0, 255, 128)), QGradientStop(1.0, Qt::white)});
    editor->moveColorsToAlpha(true);
    const QPolygonF redBefore = points(Red);
    const QPointF grip = points(Alpha).at(2);
    announced->clear();

    QTest::mousePress(shades[Alpha], Qt::LeftButton, {}, grip.toPoint());
    dragTo(shades[Alpha], QPointF(300, grip.y()));
    QCOMPARE(announced->size(), 1);
    QCOMPARE(points(Red).at(2), QPointF(300, redBefore.at(2).y()));
    QCOMPARE(points(Blue).at(2).x(), 300.0);
    QCOMPARE(lastStops().at(2).first, 300.0 / 512);
    dragTo(shades[Alpha], QPointF(100, grip.y()));  // past the left neighbour
    QTest::mouseRelease(shades[Alpha], Qt::LeftButton, {}, QPoint(100, int(grip.y())));
    QCOMPARE(announced->size(), 2);
    for (int c = Red; c <= Alpha; ++c)
        QCOMPARE(points(c).at(1).x(), 100.0);

    rightClick(Alpha, QPoint(400, 40), "new point");
    QCOMPARE(announced->size(), 3);
    for (int c = Red; c <= Blue; ++c)
        QCOMPARE(points(c).at(3), QPointF(400, 0));
    const QColor added = lastStops().at(3).second;
    QVERIFY(added.red() > 240 && added.green() > 240 && added.blue() > 240);

    rightClick(Alpha, points(Alpha).at(1).toPoint(), "delete point");
    QCOMPARE(announced->size(), 4);
    for (int c = Red; c <= Alpha; ++c)
        QCOMPARE(points(c).size(), 4);
    QCOMPARE(points(Green).at(1).x(), 128.0);
}

void TestGradientEditor::uncoupledAlphaEditsLeaveColours()
{
    editor->setGradientStops(defaultStops());
    const QPolygonF redBefore = points(Red);
    drag(shades[Alpha], points(Alpha).at(1), QPointF(300, 30));
    rightClick(Alpha, QPoint(100, 40), "new point");
    rightClick(Alpha, QPoint(100, 40), "delete point");
    QCOMPARE(points(Red), redBefore);
    QCOMPARE(announced->size(), 4);
}

void TestGradientEditor::coupledSlotsSkipMissingIndex()
{
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    setCurve(Red, {{0, 32}, {512, 0}});  // out of step with the alpha curve

    editor->moveColorsWithAlpha(2, 400);
    editor->newColorPoints(3, 450);
    QCOMPARE(points(Red), QPolygonF({{0, 32}, {512, 0}}));
    QCOMPARE(points(Green).at(3), QPointF(450, 0));
    editor->deleteColorPoints(2);
    QCOMPARE(points(Red).size(), 2);
    QCOMPARE(points(Green).size(), 3);
}

void TestGradientEditor::colorDialogSetsAllChannels_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("channel");
    QTest::newRow("accepted on alpha") << true << int(Alpha);
    QTest::newRow("cancelled on alpha") << false << int(Alpha);
    QTest::newRow("accepted on green") << true << int(Green);
}

void TestGradientEditor::colorDialogSetsAllChannels()
{
    QFETCH(bool, accept);
    QFETCH(int, channel);
    setCurve(Red, {{0, 32}, {100, 0}, {200, 20}, {512, 32}});
    setCurve(Green, {{0, 32}, {150, 10}, {512, 32}});
    setCurve(Blue, {{0, 20}, {512, 20}});
    setCurve(Alpha, {{0, 64}, {150, 20}, {512, 64}});
    const QRgb current = composedAt(150);
    const QColor choice(200, 30, 5, 128);
    const QRgb applied = accept ? choice.rgba() : current;

    QColor initial;
    const auto driver = answerColorDialog(choice, accept, &initial);
    rightClick(channel, points(channel).at(1).toPoint(), "set color");

    QVERIFY(driver->done);
    QCOMPARE(initial.rgba(), current);
    const auto at150 = [&](int value, int height) { return QPointF(150, heightOf(value, height)); };
    QCOMPARE(points(Red), QPolygonF({{0, 32}, {100, 0}, at150(qRed(applied), 33), {200, 20}, {512, 32}}));
    QCOMPARE(points(Green), QPolygonF({{0, 32}, at150(qGreen(applied), 33), {512, 32}}));
    QCOMPARE(points(Blue), QPolygonF({{0, 20}, at150(qBlue(applied), 33), {512, 20}}));
    QCOMPARE(points(Alpha), QPolygonF({{0, 64}, at150(qAlpha(applied), 65), {512, 64}}));
    QCOMPARE(announced->size(), 1);
}

// Only what the user does in the editor is an edit; stops set from outside and the
// realignment of the coupling are not. A drag is one gesture, however many steps it has.
void TestGradientEditor::editsAreToldFromInstalls_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("edits");
    QTest::addColumn<int>("gestures");
    QTest::newRow("stops set") << "set" << 0 << 0;
    QTest::newRow("coupling realigned") << "couple" << 0 << 0;
    QTest::newRow("drag in three steps") << "drag" << 3 << 1;
    QTest::newRow("new point") << "new point" << 1 << 0;
    QTest::newRow("colour chosen") << "colour" << 1 << 0;
}

void TestGradientEditor::editsAreToldFromInstalls()
{
    QFETCH(QString, action);
    QFETCH(int, edits);
    QFETCH(int, gestures);
    editor->setGradientStops(defaultStops());
    editor->moveColorsToAlpha(true);
    QSignalSpy edited(editor, &GradientEditor::gradientStopsEdited);
    QSignalSpy started(editor, &GradientEditor::gestureStarted);
    QSignalSpy finished(editor, &GradientEditor::gestureFinished);
    const QPoint top = points(Alpha).at(1).toPoint();

    QColor initial;
    if (action == "set") {
        editor->setGradientStops({QGradientStop(0.0, Qt::red), QGradientStop(1.0, Qt::blue)});
    } else if (action == "couple") {
        editor->moveColorsToAlpha(true);
    } else if (action == "drag") {
        QTest::mousePress(shades[Alpha], Qt::LeftButton, {}, top);
        for (int step = 1; step <= 3; ++step)
            dragTo(shades[Alpha], top + QPoint(10 * step, 5));
        QTest::mouseRelease(shades[Alpha], Qt::LeftButton, {}, top + QPoint(30, 5));
    } else if (action == "new point") {
        rightClick(Alpha, QPoint(100, 40), "new point");
    } else {
        const auto driver = answerColorDialog(QColor(1, 2, 3, 4), true, &initial);
        rightClick(Alpha, top, "set color");
    }

    QCOMPARE(edited.size(), edits);
    QCOMPARE(started.size(), gestures);
    QCOMPARE(finished.size(), gestures);
    QVERIFY(announced->size() > 0);
    QCOMPARE(editor->gradientStops(), lastStops());
    if (edits > 0)
        QCOMPARE(edited.last().first().value<QGradientStops>(), lastStops());
}

// Stops set while the curves are squeezed to a few pixels keep their values: back at their
// size the curves are those the stops give there, and so are the stops.
void TestGradientEditor::stopsSetWhileSqueezedKeepTheirValues()
{
    const QGradientStops stops{QGradientStop(0.0, QColor(10, 20, 30, 0)), QGradientStop(0.3, QColor(200, 100, 50, 255)),
                               QGradientStop(1.0, QColor(0, 0, 0, 90))};
    editor->setGradientStops(stops);
    std::vector<QPolygonF> expected;
    for (int c = Red; c <= Alpha; ++c)
        expected.push_back(points(c));
    const QGradientStops expectedStops = lastStops();

    std::vector<QSize> sizes;
    for (ShadeWidget *shade : shades) {
        sizes.push_back(shade->size());
        shade->resize(7, 2);
    }
    editor->setGradientStops(stops);
    for (int c = Red; c <= Alpha; ++c)
        shades[c]->resize(sizes[c]);

    for (int c = Red; c <= Alpha; ++c)
        QCOMPARE(points(c), expected[c]);
    editor->pointsUpdated();
    QCOMPARE(lastStops(), expectedStops);
}

QTEST_MAIN(TestGradientEditor)
#include "tst_gradienteditor.moc"
