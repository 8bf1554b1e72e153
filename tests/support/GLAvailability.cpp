#include "GLAvailability.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

bool glContextCanBeMade()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    const bool current = surface.isValid() && context.makeCurrent(&surface);
    if (current)
        context.doneCurrent();
    return current;
}

bool glContextRequired()
{
    return qEnvironmentVariable("DICHTENSCHAU_REQUIRE_GL") == QLatin1String("1");
}
