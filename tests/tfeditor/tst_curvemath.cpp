#include "CurveMath.h"
#include "HoverPoints.h"

#include <QTest>

#include <cstring>

using namespace CurveMath;

class TestCurveMath : public QObject
{
    Q_OBJECT

private slots:
    void roundsHalvesUpwards();
    void framesMapDataToPixelsAndBack_data();
    void framesMapDataToPixelsAndBack();
    void clampsUnderLocks_data();
    void clampsUnderLocks();
    void curvePixelUsesFirstSegment();
    void tableColumns_data();
    void tableColumns();
    void tableEntryTakesOwnBytes();
};

void TestCurveMath::roundsHalvesUpwards()
{
    QCOMPARE(roundHalfUp(2.5), 3.0);
    QCOMPARE(roundHalfUp(-2.5), -2.0);
    QCOMPARE(roundHalfUp(2.49), 2.0);
    QCOMPARE(roundHalfUp(0.49999999999999994), 0.0);
}

// A point's pixel at a size, and the data a pixel of that size stands for: a pixel read back
// as data shows on the same pixel again, and data never leave the frame, even where the
// editor is squeezed to nothing.
void TestCurveMath::framesMapDataToPixelsAndBack_data()
{
    QTest::addColumn<bool>("channel");
    QTest::addColumn<QPointF>("data");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPointF>("pixel");
    QTest::addColumn<QPointF>("readBack");
    QTest::newRow("full value on the top row") << true << QPointF(0.5, 255) << QSize(512, 33) << QPointF(256, 0)
                                               << QPointF(0.5, 255);
    QTest::newRow("none on the last row") << true << QPointF(1, 0) << QSize(512, 65) << QPointF(512, 64)
                                          << QPointF(1, 0);
    QTest::newRow("128 rounds to row 16") << true << QPointF(0.3, 128) << QSize(512, 33) << QPointF(154, 16)
                                          << QPointF(154.0 / 512, 255 - 16 * 255.0 / 32);
    QTest::newRow("halves upwards") << false << QPointF(0.103, 0.2417) << QSize(200, 60) << QPointF(21, 15)
                                    << QPointF(0.105, 0.25);
    QTest::newRow("squeezed flat") << true << QPointF(0.3, 100) << QSize(0, 1) << QPointF(0, 0) << QPointF(0, 255);
}

void TestCurveMath::framesMapDataToPixelsAndBack()
{
    QFETCH(bool, channel);
    QFETCH(QPointF, data);
    QFETCH(QSize, size);
    QFETCH(QPointF, pixel);
    QFETCH(QPointF, readBack);
    const DataFrame frame = channel ? channelFrame : DataFrame();
    QCOMPARE(dataToPixel(frame, data, size), pixel);
    QCOMPARE(pixelToData(frame, pixel, size), readBack);
    QCOMPARE(dataToPixel(frame, readBack, size), pixel);
    if (!size.isEmpty())
        QCOMPARE(pixelToData(frame, QPointF(-5, size.height() + 9), size), QPointF(0, channel ? 0 : 1));
}

void TestCurveMath::clampsUnderLocks_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<QPointF>("clamped");
    const uint left = HoverPoints::PinLeft, right = HoverPoints::PinRight;
    const uint top = HoverPoints::PinTop, bottom = HoverPoints::PinBottom;

    QTest::newRow("on right and bottom edges") << QPointF(100, 30) << 0u << QPointF(100, 30);
    QTest::newRow("above left") << QPointF(-5, -1) << 0u << QPointF(0, 0);
    QTest::newRow("below right") << QPointF(140, 31) << 0u << QPointF(100, 30);
    QTest::newRow("pin right") << QPointF(30, 10) << right << QPointF(100, 10);
    QTest::newRow("pin left wins") << QPointF(30, 10) << (left | right) << QPointF(0, 10);
    QTest::newRow("pin top wins") << QPointF(30, 10) << (top | bottom) << QPointF(30, 0);
    QTest::newRow("outside left beats pin right") << QPointF(-3, 10) << right << QPointF(0, 10);
}

void TestCurveMath::clampsUnderLocks()
{
    QFETCH(QPointF, point);
    QFETCH(uint, flags);
    QFETCH(QPointF, clamped);
    QCOMPARE(clampPoint(point, QRectF(0, 0, 100, 30), flags), clamped);
}

void TestCurveMath::curvePixelUsesFirstSegment()
{
    const QSize image(512, 33);
    const QPolygonF rise{QPointF(0, 32), QPointF(100, 20), QPointF(512, 0)};
    QCOMPARE(curvePixel(rise, 256, image), QPoint(256, 12));
    QCOMPARE(curvePixel(rise, 512, image), QPoint(511, 0));
    QCOMPARE(curvePixel(rise, 513, image), std::nullopt);
    QCOMPARE(curvePixel(QPolygonF{QPointF(0, 40), QPointF(512, 40)}, 7, image), QPoint(7, 32));

    // A vertical first segment: the column takes the height the curve continues with.
    const QPolygonF vertical{QPointF(0, 30), QPointF(0, 4), QPointF(512, 0)};
    QCOMPARE(curvePixel(vertical, 0, image), QPoint(0, 4));
}

void TestCurveMath::tableColumns_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("column");
    QTest::newRow("0..4095, entry 7") << 0 << 4095 << 7 << 0;
    QTest::newRow("0..4095, entry 8") << 0 << 4095 << 8 << 1;
    QTest::newRow("0..4095, entry 4095") << 0 << 4095 << 4095 << 511;
    // 512 / 50 in single precision lies just below 10.24, so 25 steps fall short of 256.
    QTest::newRow("0..49, entry 25") << 0 << 49 << 25 << 255;
    QTest::newRow("100..100") << 100 << 100 << 100 << 0;
}

void TestCurveMath::tableColumns()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(int, entry);
    QFETCH(int, column);
    QVERIFY(tableRangeValid(lo, hi));
    QCOMPARE(tableColumn(entry, lo, tableStep(512, lo, hi)), column);
    QVERIFY(!tableRangeValid(5, 4) && !tableRangeValid(-1, 10) && !tableRangeValid(0, 4096));
}

void TestCurveMath::tableEntryTakesOwnBytes()
{
    const quint32 entry = tableEntry(qRgba(255, 255, 255, 128), qRgba(200, 0, 0, 255), qRgba(0, 30, 0, 255),
                                     qRgba(0, 0, 5, 255));
    unsigned char bytes[4];
    std::memcpy(bytes, &entry, 4);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(bytes), 4), QByteArray("\x05\x1e\xc8\x80", 4));
}

QTEST_MAIN(TestCurveMath)
#include "tst_curvemath.moc"
