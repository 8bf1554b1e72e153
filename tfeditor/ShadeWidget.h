#pragma once

#include <QGradientStops>
#include <QImage>
#include <QLinearGradient>
#include <QPolygonF>
#include <QRgb>
#include <QWidget>

class HoverPoints;
class QPixmap;

// The editor of one channel of the transfer function (red, green, blue or alpha): a shade
// picture of the channel, full at the top edge and none at the bottom, with a curve of
// control points over it whose height is the channel's value along the data range.
// sampleAt reads the shade under the curve, one column at a time, for the transfer table.
//
// The curve's points are kept as stop positions (0..1) and channel values (0..255), and
// shown in the widget's pixels at whatever size it has.
//
// The alpha editor shades with the colours of the current stops and shows a backdrop
// (a checker at first, later the volume's histogram) through its transparent lower part.
// The shade is cached and rebuilt only when the size, the ramp or the backdrop changes;
// it never depends on the points.
class ShadeWidget : public QWidget
{
    Q_OBJECT

public:
    enum ChannelType { RedChannel = 0, GreenChannel = 1, BlueChannel = 2, AlphaChannel = 3 };

    ShadeWidget(int channelType, QWidget *parent);
    ~ShadeWidget() override;

    QSize sizeHint() const override;

    QRgb sampleAt(int x);
    QPolygonF curvePoints() const;
    void setRampStops(const QGradientStops &stops);
    void setBackdrop(QPixmap *picture);
    HoverPoints *pointEditor() const { return hoverPoints; }

signals:
    void colorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuildShade();
    void rebuildColorShade();
    void rebuildAlphaShade();
    void installBackdrop();

    int channel;
    QImage shadeImage;
    HoverPoints *hoverPoints;
    QLinearGradient stopRamp;
    QPixmap *backdrop;
    // Size at which backdrop was last scaled into the palette; empty when it has to be
    // installed again. Saves the smooth scaling when only the ramp changes.
    QSize installedBackdropSize;
};
