#pragma once

#include <QSize>

#include <array>

// The first pass of ray casting: draws the far faces of the volume's box into a float
// texture through a framebuffer object of its own, so that each texel covered by the box
// holds, in red, green and blue, the volume texture coordinate where the view ray through
// that pixel leaves the box; the others keep (0, 0, 0, 1). The ray pass reads the texture on
// unit 2, so the texture must be as large as the frame's target.
//
// Owns the framebuffer and the texture, which stays attached to it for the pass's life; a
// new size gives the texture new storage in place.
class BackfacePass
{
public:
    // Makes the framebuffer and a texture of this size in the current context, leaving the
    // texture bound on unit 2. One console line where the driver refuses the framebuffer:
    // the pass is then not ready and ray casting draws nothing.
    void create(const QSize &size);
    // Deletes both in the current context.
    void release();
    bool isReady() const { return complete; }
    unsigned int texture() const { return backfaceTexture; }

    // Level 0 as four 32-bit floats per texel, contents undefined until the next render.
    // Leaves the texture bound on unit 2.
    void resize(const QSize &size);

    // Draws the far faces for a target of this size, with the current matrices; leaves the
    // GL state as it found it.
    void render(const QSize &size, const std::array<float, 3> &boxScale) const;

private:
    unsigned int frameBuffer = 0;
    unsigned int backfaceTexture = 0;
    bool complete = false;
};
