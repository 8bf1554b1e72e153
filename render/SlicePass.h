#pragma once

#include "PassFrame.h"
#include "RenderTarget.h"

// The slice mode's pass: three axis-aligned planes through the volume's box, placed by the
// slice positions (0..1 each) and drawn with the slice program, which classifies the volume
// texture (unit 0) through the transfer texture (unit 1) over the sample's own grey value.
// The depth test resolves where the planes cross. Leaves the GL state as it found it.
//
// The planes' texture coordinates follow s = (x / hx + 1) / 2 and t = (y / hy + 1) / 2 as in
// the ray-casting box, while r runs the other way (r = 1 at z = -hz) unless the frame asks
// the planes to match the box; all three planes use the same mapping, so they agree where
// they cross. Like the box's, they are scaled by the texture extent, so that the planes
// show the volume's own grid and no padding.
class SlicePass
{
public:
    // Reads the frame's program, volume and transfer textures, box, texture extent and slices.
    static void render(const RenderTarget &target, const PassFrame &frame);
    // Tells the program which texture unit each of its samplers reads; leaves it current.
    static void assignTextureUnits(unsigned int program);

private:
    static void drawPlanes(const PassFrame &frame);
};
