#include <GL/glew.h>

#include "EmptySpaceSkipping.h"

#include "BrickRanges.h"
#include "BrickVisibility.h"
#include "GLStateGuard.h"
#include "SampledTexture.h"
#include "ShownGrid.h"

#include <cmath>

void EmptySpaceSkipping::update(const BrickRanges &bricks, const ShownGrid &grid, const uint32_t *table,
                                const CropBox &crop)
{
    if (!stale)
        return;
    computeBrickVisibility(bricks, table, brickVisibility);
    brickCounts = bricks.brickCounts();
    texelCounts = grid.texels;
    CropBox textureCrop = crop;
    for (std::size_t bound = 0; bound < textureCrop.size(); ++bound)
        textureCrop[bound] *= grid.textureExtent[bound / 2];
    hideBricksOutside(textureCrop);
    upload();
    stale = false;
}

// Rays never reach the bricks outside the crop box, so hiding them costs nothing; only the
// transparent bricks inside make the rays look bricks up.
void EmptySpaceSkipping::hideBricksOutside(const CropBox &textureCrop)
{
    anyBrickHidden = false;
    std::size_t b = 0;
    for (int k = 0; k < brickCounts[2]; ++k)
        for (int j = 0; j < brickCounts[1]; ++j)
            for (int i = 0; i < brickCounts[0]; ++i, ++b) {
                if (brickOutsideCrop(textureCrop, {i, j, k}, BrickRanges::brickSize, texelCounts))
                    brickVisibility[b] = 0;
                else if (brickVisibility[b] == 0)
                    anyBrickHidden = true;
            }
}

void EmptySpaceSkipping::upload()
{
    const GLStateGuard guard({{3, GL_TEXTURE_3D}});
    glActiveTexture(GL_TEXTURE3);
    // Rows of single bytes need not start on 4-byte boundaries.
    uploadBrickTexture(&brickTexture, brickCounts.data(), GL_LUMINANCE8, GL_UNSIGNED_BYTE, 1, brickVisibility.data());
}

// A brick's look-up costs about as much as a sample or two: it pays where a ray takes a
// few samples in each brick, not with a drag's few steps over the box's diagonal
// (27 at 1024 pixels across for a head CT of 24 bricks across, which is drawn faster with
// every sample taken).
bool EmptySpaceSkipping::paysAt(int steps) const
{
    constexpr double samplesPerBrick = 2.0;
    const double bricksAcross = std::hypot(double(texelCounts[0]), double(texelCounts[1]), double(texelCounts[2]))
                                / BrickRanges::brickSize;
    return steps >= samplesPerBrick * bricksAcross;
}

void EmptySpaceSkipping::setUniforms(unsigned int program, int steps) const
{
    const float brick = float(BrickRanges::brickSize);
    glUniform3f(glGetUniformLocation(program, "brickCount"), float(brickCounts[0]), float(brickCounts[1]),
                float(brickCounts[2]));
    glUniform3f(glGetUniformLocation(program, "bricksPerUnit"), float(texelCounts[0]) / brick,
                float(texelCounts[1]) / brick, float(texelCounts[2]) / brick);
    glUniform1i(glGetUniformLocation(program, "skipEmpty"), enabled && anyBrickHidden && paysAt(steps) ? 1 : 0);
}

void EmptySpaceSkipping::release()
{
    glDeleteTextures(1, &brickTexture);
    brickTexture = 0;
    stale = true;
}
