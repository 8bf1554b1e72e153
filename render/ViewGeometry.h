#pragma once

#include <array>

// The view's pure arithmetic: angle folding, box proportions, projection bounds and slice
// plane placement. Kept free of GL and widgets so that it can be checked directly.

// Angles are in 1/16 degree; a full turn is 5760 units. The fold keeps 5760 itself (it is
// not wrapped to 0), which is what the slice sliders' range 0..5760 expects.
constexpr int fullTurn = 5760;
void normalizeAngle(int &angle);

// The physical extent of the grid (voxel counts times voxel spacing in mm) divided by the
// largest of its components: the longest axis of the box spans one unit. A spacing that is
// not a positive finite number counts as 1, so a volume without spacing is scaled by its
// voxel counts alone. Sizes without a positive component give (1, 1, 1).
std::array<float, 3> boxScaleFor(const std::array<int, 3> &volumeSize,
                                 const std::array<double, 3> &spacing = {1.0, 1.0, 1.0});

// Orthographic bounds for a w x h window: the shorter side spans exactly one unit, the
// longer one more in proportion. bottom > top flips the vertical axis, so model y grows
// downwards on the screen.
struct OrthoBounds
{
    double left, right, bottom, top;
};
OrthoBounds orthoBoundsFor(int w, int h);

// Slider value (0..5760) to slice position (0..1); values outside pass through unclamped.
float slicePosition(int sliderValue);

// Plane coordinates of the three slice quads for half extents h and slice positions s.
// sliceX = 0 puts the x plane at +hx, sliceY = 0 the y plane at +hy, sliceZ = 0 the z
// plane at -hz.
std::array<float, 3> slicePlanes(const std::array<float, 3> &halfExtent, float sliceX, float sliceY,
                                 float sliceZ);
