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

// Zoom and pan on top of the start framing. At zoom 1 the shorter side of the view spans
// the diameter of the box's bounding sphere, so the whole box stays inside the view in
// every orientation. The pan is in model units, x to the right and y downwards on the
// screen; the view's centre shows the model point (-panX, -panY).
struct ViewCamera
{
    double zoom = 1.0;
    double panX = 0.0;
    double panY = 0.0;
};

// Zoom limits: far enough out to find the volume as a small object, far enough in to
// look at a few voxels; each step of + or - changes the zoom by zoomStep.
constexpr double minZoom = 0.25;
constexpr double maxZoom = 16.0;
constexpr double zoomStep = 1.25;

// The diameter of the bounding sphere of a box with these edge lengths.
double framingSpan(const std::array<float, 3> &boxScale);

// Projection bounds for a w x h view showing span units across its shorter side at zoom 1.
OrthoBounds cameraBounds(int w, int h, double span, const ViewCamera &camera);

// The camera zoomed by steps (positive in, negative out) within the limits; the pan is
// clamped again for the new zoom.
ViewCamera zoomedCamera(const ViewCamera &camera, int steps, int w, int h, double span);

// The camera moved by a mouse drag of dx, dy pixels in a view of w x h pixels, so that the
// picture follows the mouse; the box's centre never leaves the view.
ViewCamera pannedCamera(const ViewCamera &camera, int dx, int dy, int w, int h, double span);
