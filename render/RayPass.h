#pragma once

#include "CropBox.h"
#include "RenderTarget.h"

#include <array>

class EmptySpaceSkipping;

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
    // Everything one frame of the pass draws with; the textures are names in the current
    // context.
    struct Frame
    {
        unsigned int program = 0;
        unsigned int volumeTexture = 0;
        // The table for this step count: opacities corrected from the resting step length
        // (TransferTexture).
        unsigned int transferTexture = 0;
        unsigned int backfaceTexture = 0;
        const EmptySpaceSkipping *skipping = nullptr;
        std::array<float, 3> boxScale{1.0f, 1.0f, 1.0f};
        CropBox crop = fullCropBox;
        // Samples over the box's diagonal.
        int steps = 0;
    };

    static void render(const RenderTarget &target, const Frame &frame);

    // Light 0 and the material shininess, which the ray program shades with: set once per
    // context, since the program reads them from the built-in state.
    static void setLighting();
    // Tells the program which texture unit each of its samplers reads; leaves it current.
    static void assignTextureUnits(unsigned int program);

private:
    static void bindTextures(const Frame &frame);
    static void setUniforms(const Frame &frame);
};
