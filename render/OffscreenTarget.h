#pragma once

#include "RenderTarget.h"

#include <QImage>
#include <QSize>

#include <functional>

// A framebuffer object of its own size, with a colour and a depth buffer, for drawing a
// picture larger than the view (or with no view on screen at all) and reading it back.
// Needs a current GL context for its whole life; releases its GL objects when destroyed.
class OffscreenTarget
{
public:
    explicit OffscreenTarget(const QSize &size);
    ~OffscreenTarget();

    OffscreenTarget(const OffscreenTarget &) = delete;
    OffscreenTarget &operator=(const OffscreenTarget &) = delete;

    // False where the driver refuses the size or the buffer combination.
    bool isComplete() const { return complete; }
    unsigned int framebuffer() const { return frameBuffer; }
    QSize size() const { return pictureSize; }

    // The colour buffer, top row first, opaque.
    QImage readImage() const;

    // The largest side the driver can render to.
    static int maximumSide();

    // What draw draws into a target of this size, read back; a null image where the driver
    // refuses the size. Leaves the GL state as it found it.
    static QImage picture(const QSize &size, const std::function<void(const RenderTarget &)> &draw);

private:
    QSize pictureSize;
    unsigned int frameBuffer = 0;
    unsigned int colourBuffer = 0;
    unsigned int depthBuffer = 0;
    bool complete = false;
};
