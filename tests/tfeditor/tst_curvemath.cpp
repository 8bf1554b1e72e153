#include "CurveMath.h"
#include "HoverPoints.h"

#include <QColor>
#include <QTest>

#include <cstring>

using namespace CurveMath;

class TestCurveMath : public QObject
{
    Q_OBJECT

private slots:
    void roundsHalvesUpwards_data();
    void roundsHalvesUpwards();
    void clampsUnderLocks_data();
    void clampsUnderLocks();
    void hitTestPicksLowerIndex();
    void hitTestFollowsHandleShape();
    void rescaleRounds();
    void valueAndHeight_data();
    void valueAndHeight();
    void stopToPointIsUnclamped();
    void stopsTruncateAndSkipExactDuplicates();
    void stopsAtEdges();
    void stopsAbandonBeyondWidth();
    void curvePixel_data();
    void curvePixel();
    void verticalSegmentReadsSecondPoint();
    void heightAtSetsOrInserts_data();
    void heightAtSetsOrInserts();
    void tableRange_data();
    void tableRange();
    void tableColumns_data();
    void tableColumns();
    void tableEntryTakesOwnBytes();
};

void TestCurveMath::roundsHalvesUpwards_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("2.5") << 2.5 << 3.0;
    QTest::newRow("2.49") << 2.49 << 2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-2.51") << -2.51 << -3.0;
    QTest::newRow("0.49999999999999994") << 0.49999999999999994 << 0.0;
    QTest::newRow("7") << 7.0 << 7.0;
}

void TestCurveMath::roundsHalvesUpwards()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(roundHalfUp(value), rounded);
    QCOMPARE(roundHalfUpToInt(value), int(rounded));
}

void TestCurveMath::clampsUnderLocks_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<QPointF>("clamped");

    QTest::newRow("inside") << QPointF(30, 10) << 0u << QPointF(30, 10);
    QTest::newRow("on right and bottom edges") << QPointF(100, 30) << 0u << QPointF(100, 30);
    QTest::newRow("left and above") << QPointF(-5, -1) << 0u << QPointF(0, 0);
    QTest::newRow("right and below") << QPointF(140, 31) << 0u << QPointF(100, 30);
    QTest::newRow("pin left") << QPointF(30, 10) << uint(HoverPoints::PinLeft) << QPointF(0, 10);
    QTest::newRow("pin right") << QPointF(30, 10) << uint(HoverPoints::PinRight) << QPointF(100, 10);
    QTest::newRow("pin left wins over right")
        << QPointF(30, 10) << uint(HoverPoints::PinLeft | HoverPoints::PinRight) << QPointF(0, 10);
    QTest::newRow("pin top wins over bottom")
        << QPointF(30, 10) << uint(HoverPoints::PinTop | HoverPoints::PinBottom) << QPointF(30, 0);
    QTest::newRow("pin bottom") << QPointF(30, 10) << uint(HoverPoints::PinBottom) << QPointF(30, 30);
    QTest::newRow("left of bounds beats pin right")
        << QPointF(-3, 10) << uint(HoverPoints::PinRight) << QPointF(0, 10);
}

void TestCurveMath::clampsUnderLocks()
{
    QFETCH(QPointF, point);
    QFETCH(uint, flags);
    QFETCH(QPointF, clamped);
    QCOMPARE(clampPoint(point, QRectF(0, 0, 100, 30), flags), clamped);
}

void TestCurveMath::hitTestPicksLowerIndex()
{
    const QSizeF handle(11, 11);
    QPolygonF points;
    points << QPointF(50, 10) << QPointF(54, 10) << QPointF(90, 10);

    QCOMPARE(hitTest(points, QPointF(52, 10), handle, false), 0);
    QCOMPARE(hitTest(points, QPointF(58, 10), handle, false), 1);
    QCOMPARE(hitTest(points, QPointF(70, 10), handle, false), -1);
    QCOMPARE(hitTest(QPolygonF(), QPointF(0, 0), handle, false), -1);
}

void TestCurveMath::hitTestFollowsHandleShape()
{
    // A corner of the 11 by 11 box lies outside the round handle of radius 5.5.
    const QSizeF handle(11, 11);
    const QPolygonF points{QPointF(50, 10)};
    const QPointF corner(54.5, 14.5);
    QCOMPARE(hitTest(points, corner, handle, false), -1);
    QCOMPARE(hitTest(points, corner, handle, true), 0);
    QCOMPARE(hitTest(points, QPointF(55, 10), handle, false), 0);
    QCOMPARE(hitTest(points, QPointF(56, 10), handle, false), -1);
}

void TestCurveMath::rescaleRounds()
{
    QCOMPARE(rescaledPoint(QPointF(10.3, 7.25), 2.0, 2.0), QPointF(21, 15));
    QCOMPARE(rescaledPoint(QPointF(0, 33), 512.0 / 100, 65.0 / 30), QPointF(0, 72));
    QCOMPARE(rescaledPoint(QPointF(1.25, 0.75), 2.0, 0.5), QPointF(3, 0));
}

void TestCurveMath::valueAndHeight_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("editorHeight");
    QTest::addColumn<double>("height");
    QTest::newRow("full, colour") << 255 << 33 << 0.0;
    QTest::newRow("none, colour") << 0 << 33 << 32.0;
    QTest::newRow("none, alpha") << 0 << 65 << 64.0;
    QTest::newRow("128, colour") << 128 << 33 << 16.0;  // 15.94
    QTest::newRow("200, alpha") << 200 << 65 << 14.0;   // 13.80
    QTest::newRow("half way up") << 51 << 33 << 26.0;   // 25.6
}

void TestCurveMath::valueAndHeight()
{
    QFETCH(int, value);
    QFETCH(int, editorHeight);
    QFETCH(double, height);
    QCOMPARE(valueToHeight(value, editorHeight), height);
}

void TestCurveMath::stopToPointIsUnclamped()
{
    QCOMPARE(stopToPoint(1.5, 0, 512, 33), QPointF(768, 32));
    QCOMPARE(stopToPoint(0.25, 255, 512, 65), QPointF(128, 0));
    QCOMPARE(stopToPoint(0.5009765625, 255, 512, 65), QPointF(257, 0));  // 256.5
}

static QRgb columnColour(int column)
{
    return qRgba(column % 256, 0, 0, 255);
}

void TestCurveMath::stopsTruncateAndSkipExactDuplicates()
{
    const qreal w = 512;
    QPolygonF points;
    points << QPointF(100.8, 3) << QPointF(100.6, 5) << QPointF(300, 1) << QPointF(200, 2) << QPointF(200, 9)
           << QPointF(300, 4);
    const std::optional<QGradientStops> stops = stopsFromPoints(points, w, columnColour);
    QVERIFY(stops);
    // 100.6 and 100.8 both give 100 / w; the exactly equal x of 200 and of 300 give one each.
    QCOMPARE(stops->size(), 4);
    QCOMPARE(stops->at(0).first, 100 / w);
    QCOMPARE(stops->at(1).first, 100 / w);
    QCOMPARE(stops->at(0).second, stops->at(1).second);
    QCOMPARE(stops->at(0).second.rgba(), columnColour(100));
    QCOMPARE(stops->at(2).first, 200 / w);
    QCOMPARE(stops->at(3).first, 300 / w);
}

void TestCurveMath::stopsAtEdges()
{
    QPolygonF points;
    points << QPointF(512, 0) << QPointF(0, 33);
    const std::optional<QGradientStops> stops = stopsFromPoints(points, 512, columnColour);
    QVERIFY(stops);
    QCOMPARE(stops->size(), 2);
    QCOMPARE(stops->at(0).first, 0.0);
    QCOMPARE(stops->at(1).first, 1.0);
}

void TestCurveMath::stopsAbandonBeyondWidth()
{
    QPolygonF points;
    points << QPointF(0, 0) << QPointF(512, 0) << QPointF(513, 0);
    QVERIFY(!stopsFromPoints(points, 512, columnColour));
    QVERIFY(stopsFromPoints(QPolygonF() << QPointF(512.9, 0), 512, columnColour));
}

void TestCurveMath::curvePixel_data()
{
    QTest::addColumn<QPolygonF>("points");
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QPoint>("pixel");

    const QPolygonF rise{QPointF(0, 32), QPointF(512, 0)};
    const QPolygonF peak{QPointF(10, 30), QPointF(100, 0), QPointF(200, 30)};

    QTest::newRow("left end") << rise << 0 << true << QPoint(0, 32);
    QTest::newRow("middle") << rise << 256 << true << QPoint(256, 16);
    QTest::newRow("last column") << rise << 511 << true << QPoint(511, 0);
    QTest::newRow("right edge maps to last column") << rise << 512 << true << QPoint(511, 0);
    QTest::newRow("left of span") << peak << 9 << false << QPoint();
    QTest::newRow("right of span") << peak << 201 << false << QPoint();
    QTest::newRow("inner point") << peak << 100 << true << QPoint(100, 0);
    QTest::newRow("bottom clamped to last row") << QPolygonF{QPointF(0, 33), QPointF(512, 33)} << 40 << true
                                                << QPoint(40, 32);
    QTest::newRow("single point") << QPolygonF{QPointF(0, 0)} << 0 << false << QPoint();
}

void TestCurveMath::curvePixel()
{
    QFETCH(QPolygonF, points);
    QFETCH(int, x);
    QFETCH(bool, found);
    QFETCH(QPoint, pixel);
    const std::optional<QPoint> result = CurveMath::curvePixel(points, x, QSize(512, 33));
    QCOMPARE(bool(result), found);
    if (found)
        QCOMPARE(*result, pixel);
}

void TestCurveMath::verticalSegmentReadsSecondPoint()
{
    // Two points on the left edge: the column continues at the second point's height.
    const QPolygonF points{QPointF(0, 30), QPointF(0, 4), QPointF(512, 0)};
    const std::optional<QPoint> result = CurveMath::curvePixel(points, 0, QSize(512, 33));
    QVERIFY(result);
    QCOMPARE(*result, QPoint(0, 4));
}

void TestCurveMath::heightAtSetsOrInserts_data()
{
    QTest::addColumn<QPolygonF>("points");
    QTest::addColumn<qreal>("x");
    QTest::addColumn<QPolygonF>("expected");

    const QPolygonF curve{QPointF(0, 32), QPointF(100, 10), QPointF(200, 20), QPointF(512, 0)};
    QTest::newRow("between") << curve << 150.0
                             << QPolygonF{QPointF(0, 32), QPointF(100, 10), QPointF(150, 7), QPointF(200, 20),
                                          QPointF(512, 0)};
    QTest::newRow("on a point") << curve << 200.0
                                << QPolygonF{QPointF(0, 32), QPointF(100, 10), QPointF(200, 7), QPointF(512, 0)};
    QTest::newRow("on the first point") << curve << 0.0
                                        << QPolygonF{QPointF(0, 7), QPointF(100, 10), QPointF(200, 20),
                                                     QPointF(512, 0)};
    QTest::newRow("on the last point") << curve << 512.0
                                       << QPolygonF{QPointF(0, 32), QPointF(100, 10), QPointF(200, 20),
                                                    QPointF(512, 7)};
    QTest::newRow("outside the span") << QPolygonF{QPointF(100, 1), QPointF(200, 1)} << 50.0
                                      << QPolygonF{QPointF(100, 1), QPointF(200, 1)};
    QTest::newRow("single point") << QPolygonF{QPointF(50, 1)} << 50.0 << QPolygonF{QPointF(50, 1)};
}

void TestCurveMath::heightAtSetsOrInserts()
{
    QFETCH(QPolygonF, points);
    QFETCH(qreal, x);
    QFETCH(QPolygonF, expected);
    QCOMPARE(withHeightAt(points, x, 7), expected);
}

void TestCurveMath::tableRange_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<bool>("valid");
    QTest::newRow("whole range") << 0 << 4095 << true;
    QTest::newRow("one value") << 100 << 100 << true;
    QTest::newRow("reversed") << 5 << 4 << false;
    QTest::newRow("below zero") << -1 << 100 << false;
    QTest::newRow("beyond 4095") << 0 << 4096 << false;
}

void TestCurveMath::tableRange()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(bool, valid);
    QCOMPARE(tableRangeValid(lo, hi), valid);
}

void TestCurveMath::tableColumns_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("column");
    QTest::newRow("0..4095, entry 0") << 0 << 4095 << 0 << 0;
    QTest::newRow("0..4095, entry 7") << 0 << 4095 << 7 << 0;
    QTest::newRow("0..4095, entry 8") << 0 << 4095 << 8 << 1;
    QTest::newRow("0..4095, entry 4095") << 0 << 4095 << 4095 << 511;
    // 512 / 50 in single precision is just below 10.24, so 25 steps fall short of 256.
    QTest::newRow("0..49, entry 25") << 0 << 49 << 25 << 255;
    QTest::newRow("0..49, entry 49") << 0 << 49 << 49 << 501;
    QTest::newRow("100..100") << 100 << 100 << 100 << 0;
    QTest::newRow("1000..3047, entry 3047") << 1000 << 3047 << 3047 << 511;
}

void TestCurveMath::tableColumns()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(int, entry);
    QFETCH(int, column);
    QCOMPARE(tableColumn(entry, lo, tableStep(512, lo, hi)), column);
}

void TestCurveMath::tableEntryTakesOwnBytes()
{
    const quint32 entry = tableEntry(qRgba(255, 255, 255, 128), qRgba(200, 0, 0, 255), qRgba(0, 30, 0, 255),
                                     qRgba(0, 0, 5, 255));
    QCOMPARE(entry, 0x80C81E05u);
    unsigned char bytes[4];
    std::memcpy(bytes, &entry, 4);
    QCOMPARE(int(bytes[0]), 5);
    QCOMPARE(int(bytes[1]), 30);
    QCOMPARE(int(bytes[2]), 200);
    QCOMPARE(int(bytes[3]), 128);
}

QTEST_MAIN(TestCurveMath)
#include "tst_curvemath.moc"
