#pragma once

#include <array>
#include <initializer_list>

// Saves the GL state that a pass or an upload changes and puts it back when its scope ends:
// the current program, the bound framebuffer, the viewport, the active texture unit and the
// texture bound to each given unit's target. Each pass runs inside one, so whatever comes
// next (another pass, the toolkit's composition, a texture upload that expects unit 0
// active) finds the context as it was, whichever way the pass returns.
//
// Needs a current context for its whole life. A texture deleted inside the scope must not
// be among the saved bindings: binding its name again would make a new, empty texture.
class GLStateGuard
{
public:
    // A texture unit (0 for GL_TEXTURE0) and the target whose binding on it is kept.
    struct TextureSlot
    {
        int unit;
        unsigned int target;
    };
    static constexpr int maxSlots = 4;

    explicit GLStateGuard(std::initializer_list<TextureSlot> slots = {});
    ~GLStateGuard();

    GLStateGuard(const GLStateGuard &) = delete;
    GLStateGuard &operator=(const GLStateGuard &) = delete;

private:
    struct SavedBinding
    {
        TextureSlot slot;
        int texture;
    };

    int program = 0;
    int framebuffer = 0;
    std::array<int, 4> viewport{};
    int activeUnit = 0;
    std::array<SavedBinding, maxSlots> bindings{};
    int bindingCount = 0;
};
