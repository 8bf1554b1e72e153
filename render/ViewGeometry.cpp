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

double framingSpan(const std::array<float, 3> &boxScale)
{
    return std::sqrt(double(boxScale[0]) * boxScale[0] + double(boxScale[1]) * boxScale[1]
                     + double(boxScale[2]) * boxScale[2]);
}

OrthoBounds cameraBounds(int w, int h, double span, const ViewCamera &camera)
{
    const OrthoBounds unit = orthoBoundsFor(w, h);
    const double k = span / camera.zoom;
    return {unit.left * k - camera.panX, unit.right * k - camera.panX, unit.bottom * k - camera.panY,
            unit.top * k - camera.panY};
}

namespace {

// The box's centre stays inside the visible rectangle.
ViewCamera withClampedPan(ViewCamera camera, int w, int h, double span)
{
    const OrthoBounds centred = cameraBounds(w, h, span, ViewCamera{camera.zoom, 0.0, 0.0});
    camera.panX = std::clamp(camera.panX, centred.left, centred.right);
    camera.panY = std::clamp(camera.panY, centred.top, centred.bottom);
    return camera;
}

} // namespace

ViewCamera zoomedCamera(const ViewCamera &camera, int steps, int w, int h, double span)
{
    ViewCamera zoomed = camera;
    zoomed.zoom = std::clamp(camera.zoom * std::pow(zoomStep, steps), minZoom, maxZoom);
    return withClampedPan(zoomed, w, h, span);
}

ViewCamera pannedCamera(const ViewCamera &camera, int dx, int dy, int w, int h, double span)
{
    const OrthoBounds b = cameraBounds(w, h, span, camera);
    const double unitsPerPixel = (b.right - b.left) / std::max(1, w);
    ViewCamera panned = camera;
    panned.panX += dx * unitsPerPixel;
    panned.panY += dy * unitsPerPixel;
    return withClampedPan(panned, w, h, span);
}
