#include <GL/glew.h>

#include "OffscreenTarget.h"

#include "GLStateGuard.h"

#include <algorithm>

OffscreenTarget::OffscreenTarget(const QSize &size)
    : pictureSize(size)
{
    if (size.isEmpty() || std::max(size.width(), size.height()) > maximumSide())
        return;
    glGenFramebuffersEXT(1, &frameBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glGenRenderbuffersEXT(1, &colourBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, colourBuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, size.width(), size.height());
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colourBuffer);
    glGenRenderbuffersEXT(1, &depthBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depthBuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, size.width(), size.height());
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depthBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    complete = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
}

OffscreenTarget::~OffscreenTarget()
{
    glDeleteFramebuffersEXT(1, &frameBuffer);
    glDeleteRenderbuffersEXT(1, &colourBuffer);
    glDeleteRenderbuffersEXT(1, &depthBuffer);
}

int OffscreenTarget::maximumSide()
{
    GLint renderbufferSide = 0, viewportSides[2] = {0, 0}, textureSide = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &renderbufferSide);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportSides);
    // The ray pass reads the back faces from a texture of the picture's size.
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSide);
    return std::min({renderbufferSide, viewportSides[0], viewportSides[1], textureSide});
}

QImage OffscreenTarget::readImage() const
{
    if (!complete)
        return QImage();
    QImage image(pictureSize, QImage::Format_RGBX8888);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, pictureSize.width(), pictureSize.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // GL's rows run bottom to top.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

QImage OffscreenTarget::picture(const QSize &size, const std::function<void(const RenderTarget &)> &draw)
{
    const GLStateGuard guard;
    const OffscreenTarget target(size);
    if (!target.isComplete())
        return QImage();
    draw(RenderTarget{target.framebuffer(), size});
    return target.readImage();
}
