#include "MeasurementGeometry.h"
#include "MeasurementReport.h"
#include "ReadingFixture.h"
#include "SliceViewMenu.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

QStringList actionTexts(QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

} // namespace

class TestMeasuring : public QObject
{
    Q_OBJECT

private slots:
    // One drag with a tool draws one measurement on the slice shown, between the voxels
    // under the press and the release, and makes one edit however many moves it had.
    void aDragDrawsOneMeasurement_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("kind");
        QTest::newRow("distance") << int(MeasurementSet::Tool::Distance) << int(MeasurementKind::Distance);
        QTest::newRow("ellipse") << int(MeasurementSet::Tool::Ellipse) << int(MeasurementKind::Ellipse);
        QTest::newRow("rectangle") << int(MeasurementSet::Tool::Rectangle) << int(MeasurementKind::Rectangle);
    }
    void aDragDrawsOneMeasurement()
    {
        QFETCH(int, tool);
        QFETCH(int, kind);
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        MeasurementSet *set = f.state()->measurements();
        set->setTool(MeasurementSet::Tool(tool));
        QSignalSpy edits(set, &MeasurementSet::edited);
        const std::array<int, 3> cross = f.state()->crossPoint();
        dragWith(view, Qt::LeftButton, f.centreOfCell(5, 5), f.centreOfCell(15, 9));
        QCOMPARE(edits.size(), 1);
        QCOMPARE(f.state()->crossPoint(), cross);
        QCOMPARE(set->all().size(), size_t(1));
        const Measurement &m = set->all().front();
        QCOMPARE(int(m.kind), kind);
        QCOMPARE(m.sliceAxis, 2);
        QCOMPARE(m.slice, 5);
        QVERIFY(near(m.points[0], {5, 5, 5}));
        QVERIFY(near(m.points[1], {15, 9, 5}));
        // 10 columns of 0.5 mm across, 4 rows of 0.8 mm down.
        if (m.kind == MeasurementKind::Distance)
            QVERIFY(qAbs(distanceMm(spacingOf(f.source), m.points[0], m.points[1]) - std::hypot(5.0, 3.2)) < 1e-6);
    }

    // An angle: a drag along the first arm to the vertex, then a click where the second arm
    // ends; the whole is one edit.
    void anAngleIsADragAndAClick()
    {
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        MeasurementSet *set = f.state()->measurements();
        set->setTool(MeasurementSet::Tool::Angle);
        QSignalSpy edits(set, &MeasurementSet::edited);
        dragWith(view, Qt::LeftButton, f.centreOfCell(30, 10), f.centreOfCell(10, 10));
        QCOMPARE(edits.size(), 0);
        moveHolding(view, f.centreOfCell(10, 14), Qt::NoButton);
        sendMouse(view, QEvent::MouseButtonPress, f.centreOfCell(10, 20), Qt::LeftButton, Qt::LeftButton);
        sendMouse(view, QEvent::MouseButtonRelease, f.centreOfCell(10, 20), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(edits.size(), 1);
        const Measurement &m = set->all().front();
        QCOMPARE(m.points.size(), size_t(3));
        QVERIFY(near(m.points[1], {10, 10, 5}));
        const std::optional<double> degrees = angleDegrees(spacingOf(f.source), m.points[0], m.points[1], m.points[2]);
        QVERIFY(degrees && qAbs(*degrees - 90.0) < 1e-3);
    }

    // A click without a drag draws nothing, and Escape or Delete drops an angle half drawn;
    // the click that would have ended it then draws nothing either.
    void nothingDrawnLeavesNoMeasurement_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("delete") << int(Qt::Key_Delete);
    }
    void nothingDrawnLeavesNoMeasurement()
    {
        QFETCH(int, key);
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        MeasurementSet *set = f.state()->measurements();
        QSignalSpy edits(set, &MeasurementSet::edited);
        set->setTool(MeasurementSet::Tool::Rectangle);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, f.centreOfCell(12, 12).toPoint());
        set->setTool(MeasurementSet::Tool::Angle);
        dragWith(view, Qt::LeftButton, f.centreOfCell(30, 10), f.centreOfCell(10, 10));
        view->setFocus();
        QTest::keyClick(view, Qt::Key(key));
        QVERIFY(set->all().empty());
        set->setTool(MeasurementSet::Tool::CrossPoint);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, f.centreOfCell(10, 20).toPoint());
        QVERIFY(set->all().empty());
        QCOMPARE(edits.size(), 0);
    }

    // A handle dragged past the slice's edge stops at the edge of its last voxel; the whole
    // measurement dragged by a line keeps its shape and stays on the slice too.
    void draggedOffTheSliceIsClipped()
    {
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        MeasurementSet *set = f.state()->measurements();
        set->replace({Measurement{MeasurementKind::Distance, 2, 5, {{5, 5, 5}, {15, 9, 5}}}});
        QSignalSpy edits(set, &MeasurementSet::edited);
        dragWith(view, Qt::LeftButton, f.centreOfCell(15, 9), QPointF(view->width() + 50, -30));
        QVERIFY(near(set->all().front().points[1], {39.5, -0.5, 5}));
        QCOMPARE(set->selected(), 0);
        // Grabbed at the middle of its line and moved far down and left: it stops where its
        // first end reaches the slice's lower left corner.
        dragWith(view, Qt::LeftButton, f.centreOfCell(22.25, 2.25), f.centreOfCell(-100, 200));
        const Measurement &moved = set->all().front();
        QVERIFY(near(moved.points[0], {-0.5, 29.5, 5}));
        QVERIFY(near(moved.points[1], {34, 24, 5}));
        QCOMPARE(edits.size(), 2);
    }

    // Each measurement is shown on the slice it was made on only: elsewhere it cannot be
    // grabbed, deleted or found through the menu.
    void aMeasurementBelongsToItsSlice()
    {
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        MeasurementSet *set = f.state()->measurements();
        set->replace({Measurement{MeasurementKind::Rectangle, 2, 5, {{5, 5, 5}, {15, 9, 5}}}});
        const QPointF corner = f.centreOfCell(15, 9);
        std::unique_ptr<QMenu> menu(sliceViewMenu(view, f.state(), corner));
        QVERIFY(actionTexts(menu.get()).contains("Delete measurement"));
        QCOMPARE(set->selected(), 0);

        set->select(-1);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Up);
        QCOMPARE(f.state()->crossPoint()[2], 6);
        menu.reset(sliceViewMenu(view, f.state(), corner));
        QVERIFY(!actionTexts(menu.get()).contains("Delete measurement"));
        set->select(0);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(set->all().size(), size_t(1));

        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(set->all().empty());
    }

    // The list as CSV: one row per measurement under a header, numbers with a decimal point
    // whatever the locale, empty cells where a figure does not apply. The rectangle holds
    // the voxels (2..3, 3..4) of slice 5, -378, -377, -338 and -337 HU.
    void listsTheMeasurementsAsCsv()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        ReadingFixture f;
        const Measurements list{Measurement{MeasurementKind::Distance, 2, 5, {{0, 0, 5}, {10, 0, 5}}},
                                Measurement{MeasurementKind::Rectangle, 2, 5, {{2, 3, 5}, {3, 4, 5}}}};
        QCOMPARE(measurementTable(f.source, list, TableFormat::Csv),
                 QString("number,view,slice,slice position mm,kind,length mm,angle degrees,area mm2,voxels,mean,SD,"
                         "median,minimum,maximum,unit\n"
                         "1,axial,5,12.5,distance,5.0,,,,,,,,,\n"
                         "2,axial,5,12.5,rectangle,,,0.4,4,-357.5,23.1,-357.5,-378,-337,HU\n"));
        QLocale::setDefault(QLocale::c());
    }

    // Another volume starts without the measurements of the one before.
    void anotherVolumeCarriesNoMeasurements()
    {
        ReadingFixture f;
        MeasurementSet *set = f.state()->measurements();
        set->replace({Measurement{MeasurementKind::Distance, 2, 5, {{5, 5, 5}, {15, 9, 5}}}});
        QSignalSpy edits(set, &MeasurementSet::edited);
        f.state()->setSource(f.source);
        QVERIFY(set->all().empty());
        QCOMPARE(edits.size(), 0);
    }
};

QTEST_MAIN(TestMeasuring)
#include "tst_measuring.moc"
