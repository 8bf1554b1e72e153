#include <GL/glew.h>

#include "SlicePass.h"

#include "GLStateGuard.h"
#include "ViewGeometry.h"

void SlicePass::render(const RenderTarget &target, const PassFrame &frame)
{
    if (!frame.program)
        return;
    const GLStateGuard guard({{0, GL_TEXTURE_3D}, {1, GL_TEXTURE_1D}});
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    glViewport(0, 0, target.size.width(), target.size.height());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, frame.volumeTexture);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_1D, frame.transferTexture);
    glUseProgram(frame.program);
    drawPlanes(frame);
}

void SlicePass::drawPlanes(const PassFrame &frame)
{
    const double hx = frame.boxScale[0] * 0.5f, hy = frame.boxScale[1] * 0.5f, hz = frame.boxScale[2] * 0.5f;
    const float sliceX = frame.slices[0], sliceY = frame.slices[1], sliceZ = frame.slices[2];
    const std::array<float, 3> p = slicePlanes({float(hx), float(hy), float(hz)}, sliceX, sliceY, sliceZ);
    const double xp = p[0], yp = p[1], zp = p[2];
    const double s = 1.0 - sliceX, t = 1.0 - sliceY;
    // r at the faces z = -hz and z = +hz, and at the z plane.
    const double rBack = frame.slicesMatchBox ? 0.0 : 1.0, rFront = 1.0 - rBack;
    const double r = frame.slicesMatchBox ? sliceZ : 1.0 - sliceZ;
    const auto texCoord = [&frame](double u, double v, double w) {
        glTexCoord3d(u * frame.textureExtent[0], v * frame.textureExtent[1], w * frame.textureExtent[2]);
    };

    glBegin(GL_QUADS);
    texCoord(1, 1, r); glVertex3d(hx, hy, zp);
    texCoord(1, 0, r); glVertex3d(hx, -hy, zp);
    texCoord(0, 0, r); glVertex3d(-hx, -hy, zp);
    texCoord(0, 1, r); glVertex3d(-hx, hy, zp);
    glEnd();

    glBegin(GL_QUADS);
    texCoord(1, t, rBack); glVertex3d(hx, yp, -hz);
    texCoord(1, t, rFront); glVertex3d(hx, yp, hz);
    texCoord(0, t, rFront); glVertex3d(-hx, yp, hz);
    texCoord(0, t, rBack); glVertex3d(-hx, yp, -hz);
    glEnd();

    glBegin(GL_QUADS);
    texCoord(s, 1, rFront); glVertex3d(xp, hy, hz);
    texCoord(s, 0, rFront); glVertex3d(xp, -hy, hz);
    texCoord(s, 0, rBack); glVertex3d(xp, -hy, -hz);
    texCoord(s, 1, rBack); glVertex3d(xp, hy, -hz);
    glEnd();
}

void SlicePass::assignTextureUnits(unsigned int program)
{
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(program, "transferTex"), 1);
}
