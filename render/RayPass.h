#pragma once

#include "PassFrame.h"
#include "RenderTarget.h"

// The material's shininess is 2 to this power (8): the ray program raises the specular term
// to it by squaring, which costs far less per sample than pow.
constexpr int shininessSquarings = 3;

// The second pass of ray casting: draws the near faces of the volume's box into the target
// with the ray program. The depth test keeps the nearest face, whose texture coordinate is
// the ray's entry point; the program marches from there to the exit point that the
// back-face pass left in its texture, through the volume texture (unit 0), classifying each
// sample through the transfer texture (unit 1) and stepping over the bricks that the brick
// texture (unit 3) marks transparent; it takes only the samples inside the crop box.
// Leaves the GL state as it found it.
class RayPass
{
public:
    // Reads the frame's program, textures, skipping, box, texture extent, crop and steps.
    static void render(const RenderTarget &target, const PassFrame &frame);

    // Light 0 and the material shininess, which the ray program shades with: set once per
    // context, since the program reads them from the built-in state.
    static void setLighting();
    // Tells the program which texture unit each of its samplers reads; leaves it current.
    static void assignTextureUnits(unsigned int program);

private:
    static void bindTextures(const PassFrame &frame);
    static void setUniforms(const PassFrame &frame);
};
