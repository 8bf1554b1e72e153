#pragma once

#include "OffscreenTarget.h"
#include "RenderTarget.h"

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
    // Makes the target ready for a view of this size; false where the driver cannot stretch
    // one framebuffer onto another or refuses the framebuffer, and the frame is then drawn
    // at full size.
    bool prepare(const QSize &viewSize);
    RenderTarget target() const;

    // Stretches what was drawn onto the view's target; leaves the GL state as it found it.
    void stretchOnto(const RenderTarget &view) const;

    void release();

    static QSize reducedSize(const QSize &viewSize);

private:
    std::unique_ptr<OffscreenTarget> offscreen;
};
