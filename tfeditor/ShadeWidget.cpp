#include "ShadeWidget.h"

#include "CurveMath.h"
#include "HoverPoints.h"

#include <QPainter>
#include <QPalette>
#include <QPixmap>

ShadeWidget::ShadeWidget(int channelType, QWidget *parent)
    : QWidget(parent), channel(channelType), stopRamp(0, 0, 0, 0), backdrop(nullptr)
{
    if (channel == AlphaChannel) {
        backdrop = new QPixmap(20, 20);
        backdrop->fill(Qt::lightGray);
        QPainter checker(backdrop);
        checker.fillRect(0, 10, 10, 10, QBrush(Qt::darkGray));
        checker.fillRect(10, 0, 10, 10, QBrush(Qt::darkGray));
        checker.end();
        setAutoFillBackground(true);
    } else {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    hoverPoints = new HoverPoints(this, HoverPoints::RoundHandle);
    hoverPoints->setDataFrame(CurveMath::channelFrame);
    // A straight rise from none at the left to full at the right, whatever size the layout
    // gives the widget.
    hoverPoints->replaceData({QPointF(0, 0), QPointF(1, 255)});
    hoverPoints->setLock(0, HoverPoints::PinLeft);
    hoverPoints->setLock(1, HoverPoints::PinRight);
    hoverPoints->setSortMode(HoverPoints::SortByX);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // HoverPoints has already tied pointsChanged to update(), so every change asks for
    // the repaint before the editor hears of it.
    connect(hoverPoints, &HoverPoints::pointsChanged, this, &ShadeWidget::colorsChanged);
}

ShadeWidget::~ShadeWidget()
{
    delete backdrop;
}

QSize ShadeWidget::sizeHint() const
{
    return channel == AlphaChannel ? QSize(512, 65) : QSize(512, 33);
}

QPolygonF ShadeWidget::curvePoints() const
{
    return hoverPoints->pointList();
}

QRgb ShadeWidget::sampleAt(int x)
{
    rebuildShade();
    if (shadeImage.isNull())
        return 0;
    const std::optional<QPoint> pixel = CurveMath::curvePixel(hoverPoints->pointList(), x, shadeImage.size());
    return pixel ? shadeImage.pixel(*pixel) : 0;
}

void ShadeWidget::rebuildShade()
{
    if (!shadeImage.isNull() && shadeImage.size() == size())
        return;
    if (size().isEmpty()) {
        shadeImage = QImage();
        return;
    }
    if (channel == AlphaChannel)
        rebuildAlphaShade();
    else
        rebuildColorShade();
}

// The fill samples a gradient at pixel centres. Running it from the centre of the top row
// to the centre of the bottom row gives row y exactly the value 255 * (1 - y / (H - 1)),
// the inverse of the value-to-height mapping of the curves: a point placed for value v
// reads back v, and stops survive any number of saves and reloads unchanged.
static QLinearGradient rowGradient(int height)
{
    return QLinearGradient(0, 0.5, 0, height - 0.5);
}

void ShadeWidget::rebuildColorShade()
{
    shadeImage = QImage(size(), QImage::Format_RGB32);

    QLinearGradient shade = rowGradient(height());
    shade.setColorAt(1, Qt::black);
    shade.setColorAt(0, channel == RedChannel ? Qt::red : channel == GreenChannel ? Qt::green : Qt::blue);

    QPainter painter(&shadeImage);
    painter.fillRect(rect(), shade);
}

void ShadeWidget::rebuildAlphaShade()
{
    shadeImage = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    shadeImage.fill(0);

    // The ramp gives the colours; the fade then sets the alpha from the row alone.
    QLinearGradient fade = rowGradient(height());
    fade.setColorAt(0, QColor(0, 0, 0, 255));
    fade.setColorAt(1, QColor(0, 0, 0, 0));

    QPainter painter(&shadeImage);
    painter.fillRect(rect(), stopRamp);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.fillRect(rect(), fade);
    painter.end();

    if (installedBackdropSize != size())
        installBackdrop();
}

void ShadeWidget::installBackdrop()
{
    QPalette backdropPalette = palette();
    const QPixmap scaled = backdrop->scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    backdropPalette.setBrush(QPalette::All, backgroundRole(), QBrush(scaled));
    setPalette(backdropPalette);
    installedBackdropSize = size();
}

void ShadeWidget::paintEvent(QPaintEvent *)
{
    rebuildShade();

    QPainter painter(this);
    painter.drawImage(0, 0, shadeImage);
    painter.setPen(QColor(146, 146, 146));
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void ShadeWidget::setBackdrop(QPixmap *picture)
{
    if (channel != AlphaChannel || !picture)
        return;
    delete backdrop;
    backdrop = picture;
    installedBackdropSize = QSize();
    shadeImage = QImage();
    rebuildShade();
    update();
}

void ShadeWidget::setRampStops(const QGradientStops &stops)
{
    if (channel != AlphaChannel)
        return;

    // The ramp is opaque whatever the stops' alpha: the alpha comes from the row.
    stopRamp = QLinearGradient(0, 0, width(), 0);
    for (const QGradientStop &stop : stops) {
        const QColor colour = stop.second;
        stopRamp.setColorAt(stop.first, QColor(colour.red(), colour.green(), colour.blue(), 255));
    }

    shadeImage = QImage();
    rebuildShade();
    update();
}
