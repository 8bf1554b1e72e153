#include "EditorTestSupport.h"
#include "HoverPoints.h"
#include "ShadeWidget.h"

#include <QPixmap>

#include <cmath>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class TestShadeWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { delete container; }

    void initialCurveFitsLaidOutSize();
    void sampleReadsShadeUnderCurve();
    void rowsHoldTheirValuesExactly();
    void colourEditorIgnoresRampAndBackdrop();
    void alphaShadeIsOpaqueRampOverStretchedBackdrop();

private:
    static QRgb sampleFlat(ShadeWidget *shade, double y, int x)
    {
        shade->pointEditor()->replacePoints({QPointF(0, y), QPointF(shade->width(), y)});
        return shade->sampleAt(x);
    }
    static QImage backdrop(ShadeWidget *shade)
    {
        return shade->palette().brush(shade->backgroundRole()).texture().toImage();
    }

    QWidget *container = nullptr;
    ShadeWidget *red = nullptr;
    ShadeWidget *alpha = nullptr;
};

void TestShadeWidget::init()
{
    container = new QWidget;
    QVBoxLayout *layout = new QVBoxLayout(container);
    red = new ShadeWidget(ShadeWidget::RedChannel, container);
    alpha = new ShadeWidget(ShadeWidget::AlphaChannel, container);
    layout->addWidget(red);
    layout->addWidget(alpha);
    container->show();
    QVERIFY(QTest::qWaitForWindowExposed(container));
}

void TestShadeWidget::initialCurveFitsLaidOutSize()
{
    QCOMPARE(red->size(), QSize(512, 33));
    QCOMPARE(alpha->size(), QSize(512, 65));
    QCOMPARE(red->curvePoints(), QPolygonF({QPointF(0, 32), QPointF(512, 0)}));
    QCOMPARE(alpha->curvePoints(), QPolygonF({QPointF(0, 64), QPointF(512, 0)}));
}

void TestShadeWidget::sampleReadsShadeUnderCurve()
{
    QVERIFY(qRed(sampleFlat(red, 0, 200)) > 240);
    QCOMPARE(sampleFlat(red, 0, 200) & 0xFF00FFFF, 0xFF000000);
    QVERIFY(qRed(sampleFlat(red, 16, 200)) < qRed(sampleFlat(red, 15, 200)));
    QCOMPARE(qRed(sampleFlat(red, 32, 200)), 0);
    QCOMPARE(sampleFlat(red, 0, 513), 0u);

    // The inner points at x = 100 close a low segment and open a high one.
    red->pointEditor()->replacePoints({{0, 30}, {100, 30}, {100, 0}, {512, 0}});
    QCOMPARE(red->sampleAt(100), red->sampleAt(50));
    QVERIFY(qRed(red->sampleAt(50)) < qRed(red->sampleAt(101)));
    red->pointEditor()->replacePoints({{100, 0}, {200, 0}});
    QCOMPARE(red->sampleAt(99), 0u);
    QCOMPARE(red->sampleAt(201), 0u);
}

// Row y holds the value 255 * (1 - y / (H - 1)), from full on the top row to none on the
// bottom one, so a value read off a curve and placed again at its height reads back
// unchanged: saving and reloading stops never drifts the user's transfer function.
void TestShadeWidget::rowsHoldTheirValuesExactly()
{
    for (ShadeWidget *shade : {red, alpha}) {
        const int h = shade->height() - 1;
        for (int y = 0; y <= h; ++y) {
            const QRgb onRow = sampleFlat(shade, y, 300);
            const int v = shade == red ? qRed(onRow) : qAlpha(onRow);
            // Within one step: the toolkit's gradient table may round a half either way. The
            // top and bottom rows are exactly full and none.
            QVERIFY(std::abs(v - 255.0 * (h - y) / h) < 1.0);
            const QRgb placed = sampleFlat(shade, EditorTest::heightOf(v, shade->height()), 300);
            QCOMPARE(shade == red ? qRed(placed) : qAlpha(placed), v);
        }
    }
}

void TestShadeWidget::colourEditorIgnoresRampAndBackdrop()
{
    QSignalSpy changed(red, &ShadeWidget::colorsChanged);
    const QImage before = red->grab().toImage();
    QPixmap picture(10, 10);
    picture.fill(Qt::yellow);

    red->setRampStops({QGradientStop(0, Qt::blue)});
    red->setBackdrop(&picture);  // stays the caller's

    QCOMPARE(red->grab().toImage(), before);
    QCOMPARE(changed.size(), 0);
}

void TestShadeWidget::alphaShadeIsOpaqueRampOverStretchedBackdrop()
{
    QSignalSpy changed(alpha, &ShadeWidget::colorsChanged);

    // The checker is stretched: dark at bottom-left and top-right, light elsewhere.
    alpha->sampleAt(0);
    const QRgb light = QColor(Qt::lightGray).rgb(), dark = QColor(Qt::darkGray).rgb();
    const QImage checker = backdrop(alpha);
    QCOMPARE(checker.size(), QSize(512, 65));
    QCOMPARE(checker.pixel(200, 5), light);
    QCOMPARE(checker.pixel(490, 5), dark);
    QCOMPARE(checker.pixel(20, 60), dark);
    QCOMPARE(checker.pixel(490, 60), light);

    // Stops of any alpha give an opaque ramp; the shade's alpha depends on the row only.
    alpha->setRampStops({QGradientStop(0, QColor(255, 0, 0, 255)), QGradientStop(1, QColor(0, 0, 255, 255))});
    const QRgb opaqueStops = sampleFlat(alpha, 10, 100);
    alpha->setRampStops({QGradientStop(0, QColor(255, 0, 0, 0)), QGradientStop(1, QColor(0, 0, 255, 0))});
    QCOMPARE(sampleFlat(alpha, 10, 100), opaqueStops);
    QVERIFY(sampleFlat(alpha, 10, 500) != opaqueStops);
    QCOMPARE(qAlpha(sampleFlat(alpha, 10, 500)), qAlpha(opaqueStops));
    QCOMPARE(qAlpha(sampleFlat(alpha, 64, 500)), 0);
    const QRgb rightEdge = sampleFlat(alpha, 0, 512);
    QCOMPARE(rightEdge, alpha->sampleAt(511));

    QPixmap *histogram = new QPixmap(4096, 65);
    histogram->fill(Qt::blue);
    alpha->setBackdrop(histogram);
    QCOMPARE(backdrop(alpha).pixel(300, 30), QColor(Qt::blue).rgb());

    alpha->resize(256, 65);
    alpha->sampleAt(0);
    QCOMPARE(backdrop(alpha).size(), QSize(256, 65));
    QCOMPARE(changed.size(), 0);
}

QTEST_MAIN(TestShadeWidget)
#include "tst_shadewidget.moc"
