#include "VolumeTexture.h"

#include "CurrentGLContext.h"
#include "SampledTexture.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool proxyAccepts(const SampleGrid &grid)
{
    glTexImage3D(GL_PROXY_TEXTURE_3D, 0, GL_RGBA16, grid.sizeX, grid.sizeY, grid.sizeZ, 0, GL_RGBA,
                 GL_UNSIGNED_SHORT, nullptr);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
    return width != 0;
}

} // namespace

int textureSideLimit()
{
    GLint limit = 0;
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &limit);
    if (const char *lowered = std::getenv("DICHTENSCHAU_MAX_3D_TEXTURE_SIZE")) {
        const int asked = std::atoi(lowered);
        if (asked > 0)
            limit = std::min(limit, asked);
    }
    return limit;
}

TextureFit fitTexture(const SampleGrid &grid, const std::array<double, 3> &spacing, int64_t fewerTexelsThan)
{
    // glTexImage3D is an entry point GLEW loads; without glewInit it is null.
    if (!glContextIsCurrent() || !glTexImage3D)
        return {{}, "no current GL context to hold its 3D texture"};
    TextureFit fit;
    fit.reduction = finestFittingReduction(grid, spacing, textureSideLimit(), [&](const SampleGrid &candidate) {
        return (fewerTexelsThan <= 0 || candidate.voxelCount() < fewerTexelsThan) && proxyAccepts(candidate);
    });
    if (fit.reduction.factors[0] == 0)
        fit.refusal = "the GL cannot hold even a 3D texture of one texel in RGBA16";
    return fit;
}

unsigned int createVolumeTexture(const SampleGrid &grid)
{
    // Errors of earlier calls, not ours, would otherwise read as a failed allocation below;
    // bounded, since a lost context reports its loss on every call.
    for (int pending = 0; pending < 16 && glGetError() != GL_NO_ERROR; ++pending) {
    }
    glActiveTexture(GL_TEXTURE0);
    GLuint texture = createSampledTexture(GL_TEXTURE_3D, GL_LINEAR, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGBA16, grid.sizeX, grid.sizeY, grid.sizeZ, 0, GL_RGBA, GL_UNSIGNED_SHORT,
                 nullptr);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

void uploadVolumeSlab(unsigned int texture, const SampleGrid &grid, int firstZ, int endZ, const uint16_t *voxels)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, texture);
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, firstZ, grid.sizeX, grid.sizeY, endZ - firstZ, GL_RGBA, GL_UNSIGNED_SHORT,
                    voxels);
}
