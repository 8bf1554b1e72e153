#include "EditorTestSupport.h"
#include "HoverPoints.h"
#include "ShadeWidget.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace EditorTest;

class TestShadeWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sizesFollowChannel();
    void initialCurveFitsLaidOutSize();
    void colourSampleFollowsCurveHeight_data();
    void colourSampleFollowsCurveHeight();
    void sampleOutsideSpanIsZero();
    void innerPointUsesLeftSegment();
    void rightEdgeReadsLastColumn();
    void verticalSegmentAtLeftEdgeReadsSecondPoint();
    void colourEditorIgnoresRampAndBackdrop();
    void rampIsOpaqueAndAlphaFollowsRow();
    void resizeRebuildsShadeAndBackdrop();
    void checkerIsStretchedNotTiled();
    void backdropIsTakenOver();
    void colorsChangedOnlyFromPointEdits();

private:
    static void flatCurve(ShadeWidget *shade, double y);

    std::unique_ptr<QWidget> container;
    ShadeWidget *red = nullptr;
    ShadeWidget *alpha = nullptr;
};

void TestShadeWidget::init()
{
    container = std::make_unique<QWidget>();
    QVBoxLayout *layout = new QVBoxLayout(container.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    red = new ShadeWidget(ShadeWidget::RedChannel, container.get());
    alpha = new ShadeWidget(ShadeWidget::AlphaChannel, container.get());
    layout->addWidget(red);
    layout->addWidget(alpha);
    container->show();
    QVERIFY(QTest::qWaitForWindowExposed(container.get()));
    QCOMPARE(red->size(), QSize(512, 33));
    QCOMPARE(alpha->size(), QSize(512, 65));
}

void TestShadeWidget::cleanup()
{
    container.reset();
}

void TestShadeWidget::flatCurve(ShadeWidget *shade, double y)
{
    shade->pointEditor()->replacePoints({QPointF(0, y), QPointF(shade->width(), y)});
}

void TestShadeWidget::sizesFollowChannel()
{
    QCOMPARE(red->sizeHint(), QSize(512, 33));
    QCOMPARE(alpha->sizeHint(), QSize(512, 65));
    QCOMPARE(red->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(red->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QVERIFY(red->testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(alpha->autoFillBackground());
}

void TestShadeWidget::initialCurveFitsLaidOutSize()
{
    // A straight rise over the whole laid-out width, from none to full.
    QCOMPARE(red->curvePoints(), QPolygonF({QPointF(0, 33), QPointF(512, 0)}));
    QCOMPARE(alpha->curvePoints(), QPolygonF({QPointF(0, 65), QPointF(512, 0)}));
}

void TestShadeWidget::colourSampleFollowsCurveHeight_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("shift");
    QTest::newRow("red") << int(ShadeWidget::RedChannel) << 16;
    QTest::newRow("green") << int(ShadeWidget::GreenChannel) << 8;
    QTest::newRow("blue") << int(ShadeWidget::BlueChannel) << 0;
}

void TestShadeWidget::colourSampleFollowsCurveHeight()
{
    QFETCH(int, channel);
    QFETCH(int, shift);
    ShadeWidget shade(channel, container.get());
    shade.resize(512, 33);
    const auto valueAt = [&shade, shift](double y) {
        flatCurve(&shade, y);
        return int(shade.sampleAt(200) >> shift) & 0xFF;
    };

    const int top = valueAt(0);
    QVERIFY(top > 240);
    int previous = top;
    for (int y = 1; y <= 32; ++y) {
        const int value = valueAt(y);
        QVERIFY2(value <= previous, qPrintable(QString("row %1").arg(y)));
        previous = value;
    }
    QCOMPARE(valueAt(32), 0);
    QCOMPARE(valueAt(33), 0);

    flatCurve(&shade, 0);
    const QRgb sample = shade.sampleAt(200);
    QCOMPARE(qAlpha(sample), 255);
    QCOMPARE(int(sample & ~(0xFFu << shift) & 0xFFFFFF), 0);
}

void TestShadeWidget::sampleOutsideSpanIsZero()
{
    red->pointEditor()->replacePoints({QPointF(100, 0), QPointF(200, 0)});
    QVERIFY(red->sampleAt(100) != 0);
    QVERIFY(red->sampleAt(200) != 0);
    QCOMPARE(red->sampleAt(99), 0u);
    QCOMPARE(red->sampleAt(201), 0u);

    red->pointEditor()->replacePoints({QPointF(100, 0)});
    QCOMPARE(red->sampleAt(100), 0u);
}

void TestShadeWidget::innerPointUsesLeftSegment()
{
    // The inner points at x = 100 close a low segment and open a high one.
    red->pointEditor()->replacePoints({QPointF(0, 30), QPointF(100, 30), QPointF(100, 0), QPointF(512, 0)});
    const QRgb low = red->sampleAt(50);
    const QRgb high = red->sampleAt(300);
    QVERIFY(qRed(low) < qRed(high));
    QCOMPARE(red->sampleAt(100), low);
}

void TestShadeWidget::rightEdgeReadsLastColumn()
{
    QGradientStops stops;
    stops << QGradientStop(0, Qt::black) << QGradientStop(1, Qt::white);
    alpha->setRampStops(stops);
    flatCurve(alpha, 0);
    QVERIFY(alpha->sampleAt(511) != 0);
    QCOMPARE(alpha->sampleAt(512), alpha->sampleAt(511));
    QVERIFY(alpha->sampleAt(510) != alpha->sampleAt(0));
    QCOMPARE(alpha->sampleAt(513), 0u);
}

void TestShadeWidget::verticalSegmentAtLeftEdgeReadsSecondPoint()
{
    // A point dragged onto the pinned left point: column 0 takes the height the curve
    // continues with, whichever of the two the sort put second.
    red->pointEditor()->replacePoints({QPointF(0, 30), QPointF(50, 2), QPointF(512, 0)});
    red->pointEditor()->setLock(0, HoverPoints::PinLeft);
    red->pointEditor()->setLock(2, HoverPoints::PinRight);
    drag(red, QPointF(50, 2), QPointF(-20, 2));

    const QPolygonF curve = red->curvePoints();
    QCOMPARE(curve.at(0).x(), 0.0);
    QCOMPARE(curve.at(1).x(), 0.0);
    const QRgb atEdge = red->sampleAt(0);

    flatCurve(red, curve.at(1).y());
    QCOMPARE(atEdge, red->sampleAt(0));
}

void TestShadeWidget::colourEditorIgnoresRampAndBackdrop()
{
    QSignalSpy changed(red, &ShadeWidget::colorsChanged);
    const QRgb before = red->sampleAt(256);
    const QImage pictureBefore = red->grab().toImage();

    red->setRampStops({QGradientStop(0, Qt::blue), QGradientStop(1, Qt::green)});
    std::unique_ptr<QPixmap> picture = std::make_unique<QPixmap>(10, 10);
    picture->fill(Qt::yellow);
    red->setBackdrop(picture.get());

    QCOMPARE(red->sampleAt(256), before);
    QCOMPARE(red->grab().toImage(), pictureBefore);
    QCOMPARE(changed.size(), 0);
}

void TestShadeWidget::rampIsOpaqueAndAlphaFollowsRow()
{
    flatCurve(alpha, 10);
    alpha->setRampStops({QGradientStop(0, QColor(255, 0, 0, 255)), QGradientStop(1, QColor(0, 0, 255, 255))});
    const QRgb opaqueStops = alpha->sampleAt(100);

    alpha->setRampStops({QGradientStop(0, QColor(255, 0, 0, 0)), QGradientStop(1, QColor(0, 0, 255, 0))});
    QCOMPARE(alpha->sampleAt(100), opaqueStops);

    const QRgb left = alpha->sampleAt(5);
    const QRgb right = alpha->sampleAt(500);
    QVERIFY(left != right);
    QCOMPARE(qAlpha(left), qAlpha(right));

    flatCurve(alpha, 0);
    QVERIFY(qAlpha(alpha->sampleAt(5)) > 240);
    flatCurve(alpha, 64);
    QCOMPARE(qAlpha(alpha->sampleAt(5)), 0);
}

void TestShadeWidget::resizeRebuildsShadeAndBackdrop()
{
    alpha->setRampStops({QGradientStop(0, Qt::red), QGradientStop(1, Qt::blue)});
    container->layout()->removeWidget(alpha);
    alpha->resize(256, 65);
    flatCurve(alpha, 0);

    // The ramp keeps its old span until it is set again; only the size changes here.
    QVERIFY(alpha->sampleAt(255) != 0);
    QCOMPARE(alpha->sampleAt(256), alpha->sampleAt(255));
    QCOMPARE(alpha->palette().brush(alpha->backgroundRole()).texture().size(), QSize(256, 65));
}

void TestShadeWidget::checkerIsStretchedNotTiled()
{
    alpha->sampleAt(0);
    const QImage backdrop = alpha->palette().brush(alpha->backgroundRole()).texture().toImage();
    QCOMPARE(backdrop.size(), QSize(512, 65));
    const QRgb light = QColor(Qt::lightGray).rgb();
    const QRgb dark = QColor(Qt::darkGray).rgb();
    QCOMPARE(backdrop.pixel(20, 5), light);
    QCOMPARE(backdrop.pixel(490, 5), dark);
    QCOMPARE(backdrop.pixel(20, 60), dark);
    QCOMPARE(backdrop.pixel(490, 60), light);
    QCOMPARE(backdrop.pixel(200, 5), light);

    // Near the bottom the shade is all but transparent: the checker shows.
    const QImage shown = alpha->grab().toImage();
    QVERIFY(qAbs(qRed(shown.pixel(100, 63)) - qRed(dark)) < 12);
    QVERIFY(qAbs(qRed(shown.pixel(400, 63)) - qRed(light)) < 12);
}

void TestShadeWidget::backdropIsTakenOver()
{
    QPixmap *histogram = new QPixmap(4096, 65);
    histogram->fill(Qt::blue);
    alpha->setBackdrop(histogram);
    QCOMPARE(alpha->palette().brush(alpha->backgroundRole()).texture().toImage().pixel(300, 30),
             QColor(Qt::blue).rgb());

    // The second picture replaces (and frees) the first.
    QPixmap *next = new QPixmap(10, 10);
    next->fill(Qt::green);
    alpha->setBackdrop(next);
    QCOMPARE(alpha->palette().brush(alpha->backgroundRole()).texture().toImage().pixel(300, 30),
             QColor(Qt::green).rgb());
}

void TestShadeWidget::colorsChangedOnlyFromPointEdits()
{
    QSignalSpy changed(alpha, &ShadeWidget::colorsChanged);
    alpha->pointEditor()->replacePoints({QPointF(0, 60), QPointF(256, 10), QPointF(512, 0)});
    alpha->pointEditor()->setLock(0, HoverPoints::PinLeft);
    alpha->pointEditor()->setLock(2, HoverPoints::PinRight);
    alpha->setRampStops({QGradientStop(0, Qt::red)});
    QPixmap *picture = new QPixmap(10, 10);
    picture->fill(Qt::gray);
    alpha->setBackdrop(picture);
    QCOMPARE(changed.size(), 0);

    drag(alpha, QPointF(256, 10), QPointF(300, 20));
    QCOMPARE(changed.size(), 1);
}

QTEST_MAIN(TestShadeWidget)
#include "tst_shadewidget.moc"
