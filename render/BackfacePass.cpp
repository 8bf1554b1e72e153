#include <GL/glew.h>

#include "BackfacePass.h"

#include "ConsoleLine.h"
#include "GLStateGuard.h"
#include "SampledTexture.h"
#include "VolumeBox.h"

#include <QByteArray>

void BackfacePass::create(const QSize &size)
{
    {
        const GLStateGuard guard;
        glActiveTexture(GL_TEXTURE2);
        backfaceTexture = createSampledTexture(GL_TEXTURE_2D, GL_LINEAR, GL_CLAMP_TO_BORDER);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    resize(size);

    const GLStateGuard guard;
    glGenFramebuffersEXT(1, &frameBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, backfaceTexture, 0);
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    complete = status == GL_FRAMEBUFFER_COMPLETE_EXT;
    if (!complete)
        printConsole("The back-face framebuffer is incomplete (status 0x" + QByteArray::number(status, 16).toStdString()
                     + "); ray casting draws nothing\n");
}

void BackfacePass::release()
{
    glDeleteTextures(1, &backfaceTexture);
    glDeleteFramebuffersEXT(1, &frameBuffer);
    backfaceTexture = frameBuffer = 0;
    textureSize = QSize();
    complete = false;
}

void BackfacePass::fit(const QSize &size)
{
    if (size == textureSize)
        return;
    const GLStateGuard guard({{2, GL_TEXTURE_2D}});
    resize(size);
}

void BackfacePass::resize(const QSize &size)
{
    textureSize = size;
    const GLStateGuard guard;
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, backfaceTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F_ARB, size.width(), size.height(), 0, GL_RGBA, GL_FLOAT, nullptr);
}

void BackfacePass::render(const QSize &size, const std::array<float, 3> &boxScale) const
{
    const GLStateGuard guard;
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_COLOR_BUFFER_BIT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glViewport(0, 0, size.width(), size.height());
    glUseProgram(0);
    // Texels outside the box keep (0, 0, 0, 1).
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    // The fixed-function pipeline writes the interpolated colour, the exit point.
    glDisable(GL_TEXTURE_3D);
    drawBox(boxScale);
    glPopAttrib();
}
