#include <GL/glew.h>

#include "GLStateGuard.h"

#include <cassert>

namespace {

GLenum bindingQuery(GLenum target)
{
    switch (target) {
    case GL_TEXTURE_1D:
        return GL_TEXTURE_BINDING_1D;
    case GL_TEXTURE_2D:
        return GL_TEXTURE_BINDING_2D;
    default:
        return GL_TEXTURE_BINDING_3D;
    }
}

} // namespace

GLStateGuard::GLStateGuard(std::initializer_list<TextureSlot> slots)
{
    assert(slots.size() <= std::size_t(maxSlots));
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    for (const TextureSlot &slot : slots) {
        if (bindingCount == maxSlots)
            break;
        SavedBinding &saved = bindings[std::size_t(bindingCount++)];
        saved.slot = slot;
        glActiveTexture(GLenum(GL_TEXTURE0 + slot.unit));
        glGetIntegerv(bindingQuery(slot.target), &saved.texture);
    }
    glActiveTexture(GLenum(activeUnit));
}

GLStateGuard::~GLStateGuard()
{
    for (int i = 0; i < bindingCount; ++i) {
        const SavedBinding &saved = bindings[std::size_t(i)];
        glActiveTexture(GLenum(GL_TEXTURE0 + saved.slot.unit));
        glBindTexture(saved.slot.target, GLuint(saved.texture));
    }
    glActiveTexture(GLenum(activeUnit));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(framebuffer));
    glUseProgram(GLuint(program));
}
