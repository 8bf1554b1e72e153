#pragma once

#include <QColor>
#include <QGradientStops>

// The stops the window gives a volume without a stops file: transparent black, opaque white
// at mid-range, transparent black.
inline QGradientStops defaultStops()
{
    return {QGradientStop(0.0, QColor::fromRgba(0x00000000u)), QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFFu)),
            QGradientStop(1.0, QColor::fromRgba(0x00000000u))};
}
