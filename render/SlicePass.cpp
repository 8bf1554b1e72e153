#include <GL/glew.h>

#include "SlicePass.h"

#include "GLStateGuard.h"
#include "ViewGeometry.h"

void SlicePass::render(const RenderTarget &target, const Frame &frame)
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

void SlicePass::drawPlanes(const Frame &frame)
{
    const double hx = frame.boxScale[0] * 0.5f, hy = frame.boxScale[1] * 0.5f, hz = frame.boxScale[2] * 0.5f;
    const float sliceX = frame.slices[0], sliceY = frame.slices[1], sliceZ = frame.slices[2];
    const std::array<float, 3> p = slicePlanes({float(hx), float(hy), float(hz)}, sliceX, sliceY, sliceZ);
    const double xp = p[0], yp = p[1], zp = p[2];
    const double s = 1.0 - sliceX, t = 1.0 - sliceY, r = 1.0 - sliceZ;

    glBegin(GL_QUADS);
    glTexCoord3d(1, 1, r); glVertex3d(hx, hy, zp);
    glTexCoord3d(1, 0, r); glVertex3d(hx, -hy, zp);
    glTexCoord3d(0, 0, r); glVertex3d(-hx, -hy, zp);
    glTexCoord3d(0, 1, r); glVertex3d(-hx, hy, zp);
    glEnd();

    glBegin(GL_QUADS);
    glTexCoord3d(1, t, 1); glVertex3d(hx, yp, -hz);
    glTexCoord3d(1, t, 0); glVertex3d(hx, yp, hz);
    glTexCoord3d(0, t, 0); glVertex3d(-hx, yp, hz);
    glTexCoord3d(0, t, 1); glVertex3d(-hx, yp, -hz);
    glEnd();

    glBegin(GL_QUADS);
    glTexCoord3d(s, 1, 0); glVertex3d(xp, hy, hz);
    glTexCoord3d(s, 0, 0); glVertex3d(xp, -hy, hz);
    glTexCoord3d(s, 0, 1); glVertex3d(xp, -hy, -hz);
    glTexCoord3d(s, 1, 1); glVertex3d(xp, hy, -hz);
    glEnd();
}

void SlicePass::assignTextureUnits(unsigned int program)
{
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(program, "transferTex"), 1);
}
