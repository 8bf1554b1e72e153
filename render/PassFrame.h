#pragma once

#include "CropBox.h"
#include "ProjectionGreys.h"
#include "ProjectionMode.h"

#include <array>

class EmptySpaceSkipping;

// Everything one frame of a pass draws with, gathered by the view; each pass reads what it
// needs. The textures and the program are names in the current context.
struct PassFrame
{
    unsigned int program = 0;
    unsigned int volumeTexture = 0;
    // For the ray pass, the table for this frame's step count: opacities corrected from the
    // resting step length (TransferTexture).
    unsigned int transferTexture = 0;
    unsigned int backfaceTexture = 0;
    const EmptySpaceSkipping *skipping = nullptr;
    std::array<float, 3> boxScale{1.0f, 1.0f, 1.0f};
    // Where the volume's own grid ends in the texture (ShownGrid): the box's texture
    // coordinates 0..1 are scaled by it before the texture is read.
    std::array<float, 3> textureExtent{1.0f, 1.0f, 1.0f};
    CropBox crop = fullCropBox;
    // Ray samples over the box's diagonal.
    int steps = 0;
    // The slice mode's plane positions (sliceX, sliceY, sliceZ of the view), 0..1 each.
    std::array<float, 3> slices{0.0f, 0.0f, 0.0f};
    // Whether the slice planes take the texture's z as the box does. A volume without
    // orientation keeps planes that take it the other way round, as they always have; an
    // oriented volume's would show the patient mirrored, against its marker's letters.
    bool slicesMatchBox = false;
    // What the rays show, and for a projection its window.
    ProjectionMode projection = ProjectionMode::Composite;
    ProjectionGreys greys;
};
