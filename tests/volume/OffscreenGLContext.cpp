#include "OffscreenGLContext.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

struct OffscreenGLContext::Parts
{
    QOffscreenSurface surface;
    QOpenGLContext context;
};

OffscreenGLContext::OffscreenGLContext()
    : parts(std::make_unique<Parts>())
{
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    parts->surface.setFormat(format);
    parts->surface.create();
    parts->context.setFormat(format);
    ready = parts->context.create() && parts->context.makeCurrent(&parts->surface);
}

OffscreenGLContext::~OffscreenGLContext()
{
    if (ready)
        parts->context.doneCurrent();
}

void OffscreenGLContext::makeCurrent()
{
    if (ready)
        parts->context.makeCurrent(&parts->surface);
}

void OffscreenGLContext::doneCurrent()
{
    if (ready)
        parts->context.doneCurrent();
}
