#include <GL/glew.h>

#include "ReducedTarget.h"

#include "GLStateGuard.h"

QSize ReducedTarget::reducedSize(const QSize &viewSize)
{
    return QSize((viewSize.width() + 1) / 2, (viewSize.height() + 1) / 2);
}

bool ReducedTarget::prepare(const QSize &viewSize)
{
    if (!GLEW_EXT_framebuffer_blit)
        return false;
    const QSize size = reducedSize(viewSize);
    if (!offscreen || offscreen->size() != size) {
        // Making the framebuffer binds it.
        const GLStateGuard guard;
        offscreen = std::make_unique<OffscreenTarget>(size);
    }
    return offscreen->isComplete();
}

bool ReducedTarget::drawStretched(const RenderTarget &view, const std::function<void(const RenderTarget &)> &draw)
{
    if (!prepare(view.size))
        return false;
    const RenderTarget target{offscreen->framebuffer(), offscreen->size()};
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    glViewport(0, 0, target.size.width(), target.size.height());
    draw(target);
    stretchOnto(view);
    return true;
}

// The guard binds the saved framebuffer for both reading and drawing again.
void ReducedTarget::stretchOnto(const RenderTarget &view) const
{
    const GLStateGuard guard;
    const QSize size = offscreen->size();
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, offscreen->framebuffer());
    glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, view.framebuffer);
    glBlitFramebufferEXT(0, 0, size.width(), size.height(), 0, 0, view.size.width(), view.size.height(),
                         GL_COLOR_BUFFER_BIT, GL_LINEAR);
}

void ReducedTarget::release()
{
    offscreen.reset();
}
