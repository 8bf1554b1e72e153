#include "CurrentGLContext.h"

#include <QOpenGLContext>

bool glContextIsCurrent()
{
    return QOpenGLContext::currentContext() != nullptr;
}
