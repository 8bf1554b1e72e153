#include <GL/glew.h>

#include "EmptySpaceSkipping.h"

#include "BrickRanges.h"
#include "BrickVisibility.h"
#include "GLStateGuard.h"

#include <algorithm>

void EmptySpaceSkipping::update(const BrickRanges &bricks, const uint32_t *table)
{
    if (!stale)
        return;
    computeBrickVisibility(bricks, table, brickVisibility);
    anyBrickHidden = std::find(brickVisibility.begin(), brickVisibility.end(), 0) != brickVisibility.end();
    brickCounts = bricks.brickCounts();
    upload();
    stale = false;
}

void EmptySpaceSkipping::upload()
{
    const GLStateGuard guard({{3, GL_TEXTURE_3D}});
    glActiveTexture(GL_TEXTURE3);
    if (brickTexture == 0) {
        glGenTextures(1, &brickTexture);
        glBindTexture(GL_TEXTURE_3D, brickTexture);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    } else {
        glBindTexture(GL_TEXTURE_3D, brickTexture);
    }
    // Rows of single bytes need not start on 4-byte boundaries.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_LUMINANCE8, brickCounts[0], brickCounts[1], brickCounts[2], 0, GL_LUMINANCE,
                 GL_UNSIGNED_BYTE, brickVisibility.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void EmptySpaceSkipping::setUniforms(unsigned int program, const std::array<int, 3> &volumeSize) const
{
    const float brick = float(BrickRanges::brickSize);
    glUniform3f(glGetUniformLocation(program, "brickCount"), float(brickCounts[0]), float(brickCounts[1]),
                float(brickCounts[2]));
    glUniform3f(glGetUniformLocation(program, "bricksPerUnit"), float(volumeSize[0]) / brick,
                float(volumeSize[1]) / brick, float(volumeSize[2]) / brick);
    glUniform1i(glGetUniformLocation(program, "skipEmpty"), enabled && anyBrickHidden ? 1 : 0);
}

void EmptySpaceSkipping::release()
{
    glDeleteTextures(1, &brickTexture);
    brickTexture = 0;
    stale = true;
}
