#include "ViewGeometry.h"

#include <algorithm>

void normalizeAngle(int &angle)
{
    while (angle < 0)
        angle += fullTurn;
    while (angle > fullTurn)
        angle -= fullTurn;
}

std::array<float, 3> boxScaleFor(const std::array<int, 3> &volumeSize)
{
    const float m = float(std::max({volumeSize[0], volumeSize[1], volumeSize[2]}));
    if (m <= 0.0f)
        return {1.0f, 1.0f, 1.0f};
    return {volumeSize[0] / m, volumeSize[1] / m, volumeSize[2] / m};
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
