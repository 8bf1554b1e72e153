#pragma once

#include <QMetaObject>

#include <functional>

class QOpenGLWidget;

// Calls release when the view's current GL context is about to be destroyed (the view moved
// to another window or screen, or the view itself going), while that context can still be
// made current to delete the view's GL objects. Kept apart from the GL calls: the toolkit's
// context header and GLEW's cannot meet in one source file.
QMetaObject::Connection callBeforeContextDestruction(QOpenGLWidget *view, std::function<void()> release);
