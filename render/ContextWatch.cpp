#include "ContextWatch.h"

#include <QOpenGLContext>
#include <QOpenGLWidget>

QMetaObject::Connection callBeforeContextDestruction(QOpenGLWidget *view, std::function<void()> release)
{
    return QObject::connect(view->context(), &QOpenGLContext::aboutToBeDestroyed, view, std::move(release));
}
