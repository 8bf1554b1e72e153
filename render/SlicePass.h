#pragma once

#include "RenderTarget.h"

#include <array>

// The slice mode's pass: three axis-aligned planes through the volume's box, placed by the
// slice positions (0..1 each) and drawn with the slice program, which classifies the volume
// texture (unit 0) through the transfer texture (unit 1) over the sample's own grey value.
// The depth test resolves where the planes cross. Leaves the GL state as it found it.
//
// The planes' texture coordinates follow s = (x / hx + 1) / 2 and t = (y / hy + 1) / 2 as in
// the ray-casting box, while r runs the other way (r = 1 at z = -hz); all three planes use
// this same mapping, so they agree where they cross.
class SlicePass
{
public:
    struct Frame
    {
        unsigned int program = 0;
        unsigned int volumeTexture = 0;
        unsigned int transferTexture = 0;
        std::array<float, 3> boxScale{1.0f, 1.0f, 1.0f};
        // sliceX, sliceY and sliceZ of the view.
        std::array<float, 3> slices{0.0f, 0.0f, 0.0f};
    };

    static void render(const RenderTarget &target, const Frame &frame);
    // Tells the program which texture unit each of its samplers reads; leaves it current.
    static void assignTextureUnits(unsigned int program);

private:
    static void drawPlanes(const Frame &frame);
};
