#include "ViewGeometry.h"

#include <algorithm>
#include <cmath>

void normalizeAngle(int &angle)
{
    while (angle < 0)
        angle += fullTurn;
    while (angle > fullTurn)
        angle -= fullTurn;
}

std::array<float, 3> boxScaleFor(const std::array<int, 3> &volumeSize, const std::array<double, 3> &spacing)
{
    std::array<double, 3> extent;
    for (int i = 0; i < 3; ++i) {
        const bool usable = std::isfinite(spacing[i]) && spacing[i] > 0.0;
        extent[i] = volumeSize[i] * (usable ? spacing[i] : 1.0);
    }
    const double m = std::max({extent[0], extent[1], extent[2]});
    if (!(m > 0.0))
        return {1.0f, 1.0f, 1.0f};
    return {float(extent[0] / m), float(extent[1] / m), float(extent[2] / m)};
}

OrthoBounds orthoBoundsFor(int w, int h)
{
    const int side = std::max(1, std::min(w, h));
    const double ex = double(w - side) / side * 0.5;
    const double ey = double(h - side) / side * 0.5;
    return {-0.5 - ex, 0.5 + ex, 0.5 + ey, -0.5 - ey};
}

float slicePosition(int sliderValue)
{
    return float(sliderValue / double(fullTurn));
}

std::array<float, 3> slicePlanes(const std::array<float, 3> &h, float sliceX, float sliceY, float sliceZ)
{
    return {(1.0f - sliceX) * 2.0f * h[0] - h[0], (1.0f - sliceY) * 2.0f * h[1] - h[1],
            sliceZ * 2.0f * h[2] - h[2]};
}
