#include <GL/glew.h>

#include "ViewFraming.h"

void ViewFraming::zoom(int steps, const QSize &view, const std::array<float, 3> &boxScale)
{
    current = zoomedCamera(current, steps, view.width(), view.height(), framingSpan(boxScale));
}

void ViewFraming::pan(int dx, int dy, const QSize &view, const std::array<float, 3> &boxScale)
{
    current = pannedCamera(current, dx, dy, view.width(), view.height(), framingSpan(boxScale));
}

void ViewFraming::set(const ViewCamera &camera, const QSize &view, const std::array<float, 3> &boxScale)
{
    current = zoomedCamera(camera, 0, view.width(), view.height(), framingSpan(boxScale));
}

void ViewFraming::loadProjection(const QSize &target, const std::array<float, 3> &boxScale) const
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const OrthoBounds b = cameraBounds(target.width(), target.height(), framingSpan(boxScale), current);
    glOrtho(b.left, b.right, b.bottom, b.top, 4.0, 15.0);
    glMatrixMode(GL_MODELVIEW);
}
