#include <GL/glew.h>

#include "BrickMaxima.h"

#include "BrickRanges.h"
#include "GLStateGuard.h"
#include "SampledTexture.h"
#include "ShownGrid.h"
#include "VoxelEncoding.h"

void BrickMaxima::update(const BrickRanges &bricks, const ShownGrid &grid, const CropBox &crop)
{
    if (!stale)
        return;
    brickCounts = bricks.brickCounts();
    texelCounts = grid.texels;
    CropBox textureCrop = crop;
    for (std::size_t bound = 0; bound < textureCrop.size(); ++bound)
        textureCrop[bound] *= grid.textureExtent[bound / 2];
    maxima.assign(std::size_t(bricks.brickCount()), 0);
    std::size_t b = 0;
    for (int k = 0; k < brickCounts[2]; ++k)
        for (int j = 0; j < brickCounts[1]; ++j)
            for (int i = 0; i < brickCounts[0]; ++i, ++b)
                if (!brickOutsideCrop(textureCrop, {i, j, k}, BrickRanges::brickSize, texelCounts))
                    maxima[b] = uint16_t(bricks.maximum(int(b)) * sampleScale);
    upload();
    stale = false;
}

void BrickMaxima::upload()
{
    const GLStateGuard guard({{3, GL_TEXTURE_3D}});
    glActiveTexture(GL_TEXTURE3);
    uploadBrickTexture(&maximaTexture, brickCounts.data(), GL_LUMINANCE16, GL_UNSIGNED_SHORT, 2,
                       maxima.empty() ? nullptr : maxima.data());
}

void BrickMaxima::setUniforms(unsigned int program) const
{
    const float brick = float(BrickRanges::brickSize);
    glUniform3f(glGetUniformLocation(program, "brickCount"), float(brickCounts[0]), float(brickCounts[1]),
                float(brickCounts[2]));
    glUniform3f(glGetUniformLocation(program, "bricksPerUnit"), float(texelCounts[0]) / brick,
                float(texelCounts[1]) / brick, float(texelCounts[2]) / brick);
}

void BrickMaxima::release()
{
    glDeleteTextures(1, &maximaTexture);
    maximaTexture = 0;
    stale = true;
}
