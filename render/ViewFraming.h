#pragma once

#include "ViewGeometry.h"

#include <QSize>

#include <array>

// The zoom and the position of the 3-D view on top of its start framing, which + and -, the
// middle button and Home change, and the projection that shows them. Every change keeps the
// limits of ViewGeometry, so the volume stays in sight; the view's size is in widget pixels,
// as the mouse gives them, and the box's edge lengths are the view's boxScale.
class ViewFraming
{
public:
    const ViewCamera &camera() const { return current; }

    void zoom(int steps, const QSize &view, const std::array<float, 3> &boxScale);
    void pan(int dx, int dy, const QSize &view, const std::array<float, 3> &boxScale);
    void set(const ViewCamera &camera, const QSize &view, const std::array<float, 3> &boxScale);
    void reset() { current = ViewCamera(); }

    // Loads the orthographic projection for a target of this size in device pixels; the
    // framing follows the box of the current volume, so it is loaded anew for every frame.
    // Leaves the modelview matrix current.
    void loadProjection(const QSize &target, const std::array<float, 3> &boxScale) const;

private:
    ViewCamera current;
};
