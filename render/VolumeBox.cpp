#include <GL/glew.h>

#include "VolumeBox.h"

#include "PatientBox.h"

namespace {

struct Corner
{
    signed char x, y, z;
};
constexpr Corner boxFaces[6][4] = {
    {{+1, +1, +1}, {+1, -1, +1}, {-1, -1, +1}, {-1, +1, +1}}, // z = +hz
    {{+1, +1, -1}, {+1, +1, +1}, {-1, +1, +1}, {-1, +1, -1}}, // y = +hy
    {{+1, -1, +1}, {+1, +1, +1}, {+1, +1, -1}, {+1, -1, -1}}, // x = +hx
    {{+1, -1, -1}, {+1, +1, -1}, {-1, +1, -1}, {-1, -1, -1}}, // z = -hz
    {{+1, -1, +1}, {+1, -1, -1}, {-1, -1, -1}, {-1, -1, +1}}, // y = -hy
    {{-1, +1, +1}, {-1, -1, +1}, {-1, -1, -1}, {-1, +1, -1}}, // x = -hx
};

void boxVertex(float s, float t, float r)
{
    glColor3f(s, t, r);
    glMultiTexCoord3f(GL_TEXTURE0, s, t, r);
}

} // namespace

void drawBox(const std::array<float, 3> &boxScale)
{
    const float h[3] = {boxScale[0] * 0.5f, boxScale[1] * 0.5f, boxScale[2] * 0.5f};
    glBegin(GL_QUADS);
    for (const auto &face : boxFaces) {
        for (const Corner &c : face) {
            boxVertex(c.x > 0 ? 1.0f : 0.0f, c.y > 0 ? 1.0f : 0.0f, c.z > 0 ? 1.0f : 0.0f);
            glVertex3f(c.x * h[0], c.y * h[1], c.z * h[2]);
        }
    }
    glEnd();
}

void loadBoxModelView(float distance, const std::array<int, 3> &rotation, const BoxAxes &axes)
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, distance);
    glRotated(rotation[0] * 0.0625, 1.0, 0.0, 0.0);
    glRotated(rotation[1] * 0.0625, 0.0, 1.0, 0.0);
    if (axes.startTip != 0.0)
        glRotated(axes.startTip, 1.0, 0.0, 0.0);
    glRotated(rotation[2] * 0.0625, 0.0, 0.0, 1.0);
    glMultMatrixf(axes.matrix().data());
    glFrontFace(axes.mirrors() ? GL_CW : GL_CCW);
}
