#include "GridSource.h"
#include "MouseDrags.h"
#include "OrientedGrid.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "SliceView.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(StorageOrder)

namespace {

// A CT of 8 x 6 x 4 voxels in HU + 1024, with its values counting up the voxels.
constexpr std::array<int, 3> ctSize{8, 6, 4};
const SampleUnits ctUnits{1.0, 1024.0, true};

uint16_t ctSample(int l, int p, int s)
{
    return uint16_t(24 + l + 8 * p + 48 * s);
}

// The centre of a cell of the view's slice, in widget pixels.
QPoint centreOf(const SliceView &view, int column, int row)
{
    const QRectF rect = view.imageRect();
    const QSize cells = planeCells(view.slicePlane(), ctSize);
    return QPointF(rect.left() + (column + 0.5) * rect.width() / cells.width(),
                   rect.top() + (row + 0.5) * rect.height() / cells.height())
        .toPoint();
}

struct Fixture
{
    explicit Fixture(const StorageOrder &order = {}) : grid(storeAnatomy(ctSample, ctSize, {0.8, 0.8, 2.5}, order))
    {
        layout.resize(600, 600);
        layout.setMode(ReadingLayout::Grid);
        layout.state()->setSource(sourceOf(grid, ctUnits));
        layout.show();
    }
    SliceView *view(SliceOrientation o) const { return layout.sliceView(o); }

    // Owned by the layout, as the window's GL view is.
    QWidget *view3d = new QWidget;
    OrientedGrid grid;
    ReadingLayout layout{view3d};
};

} // namespace

class TestSliceView : public QObject
{
    Q_OBJECT

private slots:
    // Voxel x = 2, y = 1 of the middle axial slice z = 2 lies at the cell of the third column
    // and second row; its sample is 24 + 2 + 8 + 96 = 130, -894 HU.
    void readsOutTheVoxelUnderTheCursor()
    {
        Fixture f;
        f.grid.frame.origin = {-100.0, 50.0, 20.0};
        f.layout.state()->setSource(sourceOf(f.grid, ctUnits));
        SliceView *axial = f.view(SliceOrientation::Axial);
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        QSignalSpy readouts(axial, &SliceView::readoutChanged);
        // A move sent to the view, not the screen's pointer, which other tests on the same
        // display may be moving at the same time.
        moveHolding(axial, centreOf(*axial, 2, 1), Qt::NoButton);
        QCOMPARE(readouts.size(), 1);
        QCOMPARE(readouts.at(0).at(0).toString(),
                 QString("voxel 2, 1, 2   position -98.4, 50.8, 25.0 mm (LPS)   -894 HU   sample 130"));
    }

    // The wheel and Page Up go towards the head however the slices are stored; a click in
    // the axial view moves the coronal and sagittal slices to the clicked voxel.
    void wheelGoesUpTheBodyAndClickMovesTheOtherSlices_data()
    {
        QTest::addColumn<StorageOrder>("order");
        QTest::newRow("usual") << StorageOrder{{0, 1, 2}, {1, 1, 1}};
        QTest::newRow("slices reversed, mirrored") << StorageOrder{{0, 1, 2}, {-1, 1, -1}};
    }
    void wheelGoesUpTheBodyAndClickMovesTheOtherSlices()
    {
        QFETCH(StorageOrder, order);
        Fixture f(order);
        SliceView *axial = f.view(SliceOrientation::Axial);
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        ReadingState *state = f.layout.state();
        const std::array<int, 3> middle = state->crossPoint();

        QWheelEvent wheel(QPointF(axial->rect().center()), axial->mapToGlobal(QPointF(axial->rect().center())),
                          QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(axial, &wheel);
        QCOMPARE(state->crossPoint()[2], middle[2] + order.direction[2]);
        QTest::keyClick(axial, Qt::Key_PageDown);
        QTest::keyClick(axial, Qt::Key_PageDown);
        QCOMPARE(state->crossPoint()[2], middle[2] - order.direction[2]);

        // The patient's right front corner: top left on the screen.
        const int slice = state->crossPoint()[2];
        QTest::mouseClick(axial, Qt::LeftButton, Qt::NoModifier, centreOf(*axial, 0, 0));
        const std::array<int, 3> rightFront = f.grid.voxelOf({0, 0, 0});
        QCOMPARE(state->crossPoint(), (std::array<int, 3>{rightFront[0], rightFront[1], slice}));
    }

    void rightDragChangesTheWindow()
    {
        Fixture f;
        SliceView *coronal = f.view(SliceOrientation::Coronal);
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        ReadingState *state = f.layout.state();
        const WindowLevel before = state->window();
        const double perPixel = dragUnitsPerPixel(state->source().units);
        QSignalSpy changes(state, &ReadingState::windowChanged);
        const QPoint start = coronal->rect().center();
        QTest::mousePress(coronal, Qt::RightButton, Qt::NoModifier, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(20, -10)), coronal->mapToGlobal(QPointF(start + QPoint(20, -10))),
                         Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(coronal, &move);
        QTest::mouseRelease(coronal, Qt::RightButton, Qt::NoModifier, start + QPoint(20, -10));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(state->window(), (WindowLevel{before.width + 20 * perPixel, before.level + 10 * perPixel}));
    }

    void layoutShowsTheChosenViews_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("3-D") << int(Qt::Key_1) << "3";
        QTest::newRow("axial") << int(Qt::Key_2) << "a";
        QTest::newRow("coronal") << int(Qt::Key_3) << "c";
        QTest::newRow("sagittal") << int(Qt::Key_4) << "s";
        QTest::newRow("grid") << int(Qt::Key_5) << "acs3";
    }
    void layoutShowsTheChosenViews()
    {
        QFETCH(int, key);
        QFETCH(QString, shown);
        Fixture f;
        f.layout.setMode(key == Qt::Key_5 ? ReadingLayout::View3D : ReadingLayout::Grid);
        f.layout.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.layout));
        QTest::keyClick(&f.layout, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(f.view(SliceOrientation::Axial)->isVisible(), shown.contains('a'));
        QCOMPARE(f.view(SliceOrientation::Coronal)->isVisible(), shown.contains('c'));
        QCOMPARE(f.view(SliceOrientation::Sagittal)->isVisible(), shown.contains('s'));
        QCOMPARE(f.view3d->isVisible(), shown.contains('3'));
        // One view alone takes the whole area.
        if (shown.size() == 1) {
            const QWidget *alone = shown == "3" ? f.view3d : f.view(SliceOrientation(QString("acs").indexOf(shown)));
            QTRY_COMPARE(alone->size(), f.layout.size());
        }
    }
};

QTEST_MAIN(TestSliceView)
#include "tst_sliceview.moc"
