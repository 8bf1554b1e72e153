#include "ReadingFixture.h"
#include "SliceZoom.h"

#include <QTest>

#include <cmath>

namespace {

// The continuous voxel coordinate under a widget point, the way the view maps it.
VoxelPoint pointUnder(const SliceView &view, const QPointF &at)
{
    return view.sliceMapping().toVoxel(at);
}

} // namespace

class TestSliceZoom : public QObject
{
    Q_OBJECT

private slots:
    // Zooming about a point keeps that point of the slice under it, from fitted up to 16
    // times and back, except where the slice would leave the middle of the view.
    void zoomKeepsThePointUnderTheCursor_data()
    {
        QTest::addColumn<QPointF>("about");
        QTest::addColumn<int>("stepsIn");
        QTest::addColumn<int>("stepsOut");
        QTest::addColumn<double>("factor");
        QTest::newRow("one step at the middle") << QPointF(200, 150) << 1 << 0 << std::sqrt(2.0);
        QTest::newRow("three steps at a corner") << QPointF(110, 90) << 3 << 0 << std::pow(2.0, 1.5);
        QTest::newRow("ten steps stop at 16") << QPointF(250, 170) << 10 << 0 << 16.0;
        QTest::newRow("in and half out again") << QPointF(280, 110) << 6 << 2 << 4.0;
    }
    void zoomKeepsThePointUnderTheCursor()
    {
        QFETCH(QPointF, about);
        QFETCH(int, stepsIn);
        QFETCH(int, stepsOut);
        QFETCH(double, factor);
        // A slice 300 x 200 pixels wide fitted into a view, its top left at (100, 80).
        const QRectF fitted(100, 80, 300, 200);
        SliceZoom zoom;
        const QRectF before = zoom.imageRect(fitted);
        QCOMPARE(before, fitted);
        const QPointF held((about.x() - fitted.left()) / fitted.width(), (about.y() - fitted.top()) / fitted.height());
        for (int s = 0; s < stepsIn; ++s)
            zoom.zoomAbout(about, SliceZoom::step, fitted);
        for (int s = 0; s < stepsOut; ++s)
            zoom.zoomAbout(about, 1 / SliceZoom::step, fitted);
        QVERIFY2(qAbs(zoom.factor() - factor) < 1e-12, qPrintable(QString::number(zoom.factor(), 'g', 17)));
        const QRectF after = zoom.imageRect(fitted);
        QVERIFY(qAbs(after.width() - fitted.width() * factor) < 1e-9);
        QVERIFY(qAbs(after.left() + held.x() * after.width() - about.x()) < 1e-9);
        QVERIFY(qAbs(after.top() + held.y() * after.height() - about.y()) < 1e-9);
    }

    // However far it is moved, some of the slice stays at the middle of the view; fitted, it
    // does not move at all.
    void panKeepsTheSliceAtTheMiddle()
    {
        const QRectF fitted(100, 80, 300, 200);
        SliceZoom zoom;
        QVERIFY(!zoom.pan(QPointF(40, 40), fitted));
        zoom.zoomAbout(fitted.center(), 4.0, fitted);
        QVERIFY(zoom.pan(QPointF(30, -20), fitted));
        QCOMPARE(zoom.imageRect(fitted).center(), fitted.center() + QPointF(30, -20));
        zoom.pan(QPointF(5000, 5000), fitted);
        QCOMPARE(zoom.imageRect(fitted).topLeft(), fitted.center());
        QVERIFY(zoom.fit());
        QCOMPARE(zoom.imageRect(fitted), fitted);
    }

    // Ctrl with the wheel and + zoom the view about the cursor: the voxel under it stays, and
    // so do the cross point's lines and the readout that follow the voxels.
    void viewZoomsAboutTheCursor_data()
    {
        QTest::addColumn<bool>("withKeys");
        QTest::newRow("ctrl and wheel") << false;
        QTest::newRow("plus key") << true;
    }
    void viewZoomsAboutTheCursor()
    {
        QFETCH(bool, withKeys);
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        const QRectF fitted = view->imageRect();
        // Within the voxel (31, 7) of the axial view's slice, at a whole pixel as the mouse is.
        const QPointF at = f.centreOfCell(31, 7).toPoint();
        const VoxelPoint before = pointUnder(*view, at);
        QCOMPARE(view->voxelAt(at), (std::array<int, 3>{31, 7, 5}));
        moveHolding(view, at, Qt::NoButton);
        if (withKeys) {
            view->setFocus();
            for (int s = 0; s < 3; ++s)
                QTest::keyClick(view, Qt::Key_Plus);
        } else {
            wheelAt(view, at, 3 * 120, Qt::ControlModifier);
        }
        QVERIFY(qAbs(view->zoom().factor() - std::pow(2.0, 1.5)) < 1e-12);
        QVERIFY(qAbs(view->imageRect().width() - fitted.width() * std::pow(2.0, 1.5)) < 1e-6);
        QVERIFY(near(pointUnder(*view, at), before));
        QCOMPARE(view->voxelAt(at), (std::array<int, 3>{31, 7, 5}));
        QVERIFY(view->voxelAt(fitted.topLeft() + QPointF(1, 1)) != (std::array<int, 3>{0, 0, 5}));

        QTest::keyClick(view, Qt::Key_Home);
        QVERIFY(view->zoom().isFitted());
        QCOMPARE(view->imageRect(), fitted);
    }

    // The middle button moves the zoomed slice with the mouse.
    void middleDragMovesTheZoomedSlice()
    {
        ReadingFixture f;
        SliceView *view = f.view();
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        wheelAt(view, view->imageRect().center(), 4 * 120, Qt::ControlModifier);
        const QRectF zoomed = view->imageRect();
        const QPointF from = view->rect().center();
        dragWith(view, Qt::MiddleButton, from, from + QPointF(-40, 25));
        QCOMPARE(view->imageRect(), zoomed.translated(-40, 25));
        QCOMPARE(f.state()->crossPoint(), (std::array<int, 3>{20, 15, 5}));
    }
};

QTEST_MAIN(TestSliceZoom)
#include "tst_slicezoom.moc"
