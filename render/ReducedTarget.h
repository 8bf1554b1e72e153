#pragma once

#include "OffscreenTarget.h"
#include "RenderTarget.h"

#include <functional>
#include <memory>

// Where the ray pass draws while the volume is turned or moved: a target of half the
// view's width and height, a quarter of its pixels, which is then stretched onto the view
// with linear filtering. A drag's frames come about four times sooner and look a little
// softer; the resting frame after it is drawn at full size.
//
// Keeps its framebuffer from frame to frame and makes it anew when the view's size changes;
// needs the context it was made in to be current for every call.
class ReducedTarget
{
public:
    // Has draw draw into the target, bound with a viewport over all of it, and stretches
    // that onto the view's target. The matrices stay the view's, so the smaller target shows
    // the same part of the scene. False, with nothing drawn, where the driver cannot stretch
    // one framebuffer onto another or refuses the framebuffer: the frame is then drawn at
    // full size.
    bool drawStretched(const RenderTarget &view, const std::function<void(const RenderTarget &)> &draw);

    void release();

    static QSize reducedSize(const QSize &viewSize);

private:
    bool prepare(const QSize &viewSize);
    // Leaves the GL state as it found it.
    void stretchOnto(const RenderTarget &view) const;

    std::unique_ptr<OffscreenTarget> offscreen;
};
