#include "ViewGeometry.h"

#include <QMatrix4x4>
#include <QTest>

#include <cmath>

class TestViewGeometry : public QObject
{
    Q_OBJECT

private slots:
    void foldsAngles_data()
    {
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("folded");
        QTest::newRow("one below zero") << -1 << 5759;
        QTest::newRow("full turn stays") << 5760 << 5760;
        QTest::newRow("negative full turn") << -5760 << 0;
        QTest::newRow("one past a turn") << 5761 << 1;
        QTest::newRow("two turns and one") << 11521 << 1;
        QTest::newRow("many turns down") << -3 * 5760 - 5 << 5755;
        QTest::newRow("inside") << 2880 << 2880;
    }
    void foldsAngles()
    {
        QFETCH(int, angle);
        normalizeAngle(angle);
        QTEST(angle, "folded");
    }

    void scalesBoxToLongestAxis_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("dz");
        QTest::addColumn<float>("sx");
        QTest::addColumn<float>("sy");
        QTest::addColumn<float>("sz");
        QTest::newRow("initial") << 1 << 1 << 1 << 1.0 << 1.0 << 1.0 << 1.0f << 1.0f << 1.0f;
        QTest::newRow("flat") << 256 << 256 << 128 << 1.0 << 1.0 << 1.0 << 1.0f << 1.0f << 0.5f;
        QTest::newRow("y longest") << 64 << 128 << 32 << 1.0 << 1.0 << 1.0 << 0.5f << 1.0f << 0.25f;
        QTest::newRow("no voxels") << 0 << 0 << 0 << 1.0 << 1.0 << 1.0 << 1.0f << 1.0f << 1.0f;
        // A clinical CT: thin in plane, thick slices, so fewer slices span the longest axis.
        QTest::newRow("thick slices") << 512 << 512 << 128 << 0.5 << 0.5 << 4.0 << 0.5f << 0.5f << 1.0f;
        QTest::newRow("spacing evens counts") << 64 << 128 << 32 << 2.0 << 1.0 << 4.0 << 1.0f << 1.0f << 1.0f;
        QTest::newRow("only the ratio counts") << 100 << 100 << 50 << 0.01 << 0.01 << 0.01 << 1.0f << 1.0f << 0.5f;
        QTest::newRow("unusable spacing counts as 1") << 256 << 256 << 128 << 0.0 << -1.0 << qQNaN() << 1.0f << 1.0f << 0.5f;
    }
    void scalesBoxToLongestAxis()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, dz);
        const std::array<float, 3> s = boxScaleFor({x, y, z}, {dx, dy, dz});
        QTEST(s[0], "sx");
        QTEST(s[1], "sy");
        QTEST(s[2], "sz");
    }

    void projectsWithoutDistortion_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::newRow("square") << 400 << 400 << -0.5 << 0.5 << 0.5 << -0.5;
        QTest::newRow("wide") << 800 << 400 << -1.0 << 1.0 << 0.5 << -0.5;
        QTest::newRow("tall") << 400 << 800 << -0.5 << 0.5 << 1.0 << -1.0;
    }
    void projectsWithoutDistortion()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        const OrthoBounds b = orthoBoundsFor(w, h);
        QTEST(b.left, "left");
        QTEST(b.right, "right");
        QTEST(b.bottom, "bottom");
        QTEST(b.top, "top");
    }

    // At the start zoom no corner of the box leaves the view, however it is turned.
    void startFramingHoldsTheBoxInEveryOrientation_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<float>("xTurn");
        QTest::addColumn<float>("zTurn");
        QTest::newRow("cube, diagonal towards the viewer") << 400 << 400 << 35.26f << 45.0f;
        QTest::newRow("cube, edge on") << 400 << 400 << 0.0f << 45.0f;
        QTest::newRow("tall view") << 300 << 500 << 60.0f << 30.0f;
        QTest::newRow("wide view") << 700 << 400 << 90.0f << 45.0f;
    }
    void startFramingHoldsTheBoxInEveryOrientation()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(float, xTurn);
        QFETCH(float, zTurn);
        const std::array<float, 3> box{1.0f, 1.0f, 1.0f};
        const OrthoBounds b = cameraBounds(w, h, framingSpan(box), ViewCamera());
        QMatrix4x4 turn;
        turn.rotate(xTurn, 1, 0, 0);
        turn.rotate(zTurn, 0, 0, 1);
        for (int corner = 0; corner < 8; ++corner) {
            const QVector3D p = turn.map(QVector3D(corner & 1 ? 0.5f : -0.5f, corner & 2 ? 0.5f : -0.5f, corner & 4 ? 0.5f : -0.5f));
            QVERIFY(p.x() >= b.left - 1e-6 && p.x() <= b.right + 1e-6);
            QVERIFY(p.y() >= b.top - 1e-6 && p.y() <= b.bottom + 1e-6);
        }
    }

    void zoomStaysWithinItsLimits_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("zoom");
        QTest::newRow("one in") << 1 << 1.25;
        QTest::newRow("one out") << -1 << 0.8;
        QTest::newRow("far in") << 100 << maxZoom;
        QTest::newRow("far out") << -100 << minZoom;
    }
    void zoomStaysWithinItsLimits()
    {
        QFETCH(int, steps);
        QFETCH(double, zoom);
        QCOMPARE(zoomedCamera(ViewCamera(), steps, 400, 400, 1.0).zoom, zoom);
    }

    // A drag moves the picture with the mouse, but the box's centre stays in the view.
    void panFollowsTheMouseUntilTheCentreReachesTheEdge()
    {
        const double span = std::sqrt(3.0);
        const ViewCamera moved = pannedCamera(ViewCamera(), 40, -20, 400, 400, span);
        QCOMPARE(moved.panX, 40 * span / 400);
        QCOMPARE(moved.panY, -20 * span / 400);
        const ViewCamera far = pannedCamera(ViewCamera(), 5000, 5000, 400, 400, span);
        QCOMPARE(far.panX, span / 2);
        QCOMPARE(far.panY, span / 2);
        // Zooming in draws the limit closer, and the pan with it.
        QCOMPARE(zoomedCamera(far, 1, 400, 400, span).panX, span / 2 / 1.25);
    }

    void mapsSliderValuesToPositions()
    {
        QCOMPARE(slicePosition(0), 0.0f);
        QCOMPARE(slicePosition(2880), 0.5f);
        QCOMPARE(slicePosition(5760), 1.0f);
        QCOMPARE(slicePosition(-5760), -1.0f);
    }

    void placesSlicePlanes()
    {
        const std::array<float, 3> h{0.5f, 0.25f, 0.125f};
        const std::array<float, 3> atZero = slicePlanes(h, 0.0f, 0.0f, 0.0f);
        QCOMPARE(atZero[0], 0.5f);
        QCOMPARE(atZero[1], 0.25f);
        QCOMPARE(atZero[2], -0.125f);
        const std::array<float, 3> atOne = slicePlanes(h, 1.0f, 1.0f, 1.0f);
        QCOMPARE(atOne[0], -0.5f);
        QCOMPARE(atOne[1], -0.25f);
        QCOMPARE(atOne[2], 0.125f);
        QCOMPARE(slicePlanes(h, 0.5f, 0.5f, 0.5f)[2], 0.0f);
    }
};

QTEST_APPLESS_MAIN(TestViewGeometry)
#include "tst_viewgeometry.moc"
