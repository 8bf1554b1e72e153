#include <GL/glew.h>

#include "RayPass.h"

#include "EmptySpaceSkipping.h"
#include "GLStateGuard.h"
#include "VolumeBox.h"

void RayPass::render(const RenderTarget &target, const PassFrame &frame)
{
    if (!frame.program)
        return;
    const GLStateGuard guard({{0, GL_TEXTURE_3D}, {1, GL_TEXTURE_1D}, {2, GL_TEXTURE_2D}, {3, GL_TEXTURE_3D}});
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    glViewport(0, 0, target.size.width(), target.size.height());
    bindTextures(frame);
    glUseProgram(frame.program);
    setUniforms(frame);
    drawBox(frame.boxScale);
}

void RayPass::bindTextures(const PassFrame &frame)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, frame.volumeTexture);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_1D, frame.transferTexture);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, frame.backfaceTexture);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_3D, frame.skipping->texture());
}

void RayPass::setUniforms(const PassFrame &frame)
{
    glUniform1i(glGetUniformLocation(frame.program, "steps"), frame.steps);
    frame.skipping->setUniforms(frame.program, frame.steps);
    const CropBounds crop = rayCropBounds(frame.crop);
    glUniform3fv(glGetUniformLocation(frame.program, "cropMin"), 1, crop.low.data());
    glUniform3fv(glGetUniformLocation(frame.program, "cropMax"), 1, crop.high.data());
    glUniform3fv(glGetUniformLocation(frame.program, "textureExtent"), 1, frame.textureExtent.data());
}

void RayPass::assignTextureUnits(unsigned int program)
{
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(program, "transferTex"), 1);
    glUniform1i(glGetUniformLocation(program, "backfaceTex"), 2);
    glUniform1i(glGetUniformLocation(program, "brickTex"), 3);
}

void RayPass::setLighting()
{
    const GLfloat ambient[] = {0.25f, 0.25f, 0.25f, 1.0f};
    const GLfloat diffuse[] = {0.75f, 0.75f, 0.75f, 1.0f};
    const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    // A directional light along +z, from the viewer.
    const GLfloat position[] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, float(1 << shininessSquarings));
    glEnable(GL_LIGHT0);
}
