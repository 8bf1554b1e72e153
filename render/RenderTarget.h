#pragma once

#include <QSize>

// Where a frame is drawn: a framebuffer and its size in device pixels. The view's own
// framebuffer for what it shows, an off-screen one for a picture; the passes draw into
// whichever they are given.
struct RenderTarget
{
    unsigned int framebuffer = 0;
    QSize size;
};
