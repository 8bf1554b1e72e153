#include "VolumeTexture.h"

#include "CurrentGLContext.h"

#include <GL/glew.h>

namespace {

std::string gridText(const SampleGrid &grid)
{
    return std::to_string(grid.sizeX) + " x " + std::to_string(grid.sizeY) + " x " + std::to_string(grid.sizeZ);
}

bool proxyAccepts(const SampleGrid &grid)
{
    glTexImage3D(GL_PROXY_TEXTURE_3D, 0, GL_RGBA16, grid.sizeX, grid.sizeY, grid.sizeZ, 0, GL_RGBA,
                 GL_UNSIGNED_SHORT, nullptr);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
    return width != 0;
}

} // namespace

std::string textureLimitRefusal(const SampleGrid &grid, int limit)
{
    if (grid.sizeX > limit || grid.sizeY > limit || grid.sizeZ > limit)
        return "a 3D texture of " + gridText(grid) + " exceeds the GL's limit of " + std::to_string(limit)
            + " per side";
    return {};
}

int maxTextureSide()
{
    if (!glContextIsCurrent())
        return 0;
    GLint limit = 0;
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &limit);
    return limit;
}

std::string textureRefusal(const SampleGrid &grid)
{
    // glTexImage3D is an entry point GLEW loads; without glewInit it is null.
    if (!glContextIsCurrent() || !glTexImage3D)
        return "no current GL context to hold its 3D texture";
    GLint limit = 0;
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &limit);
    const std::string refusal = textureLimitRefusal(grid, limit);
    if (!refusal.empty())
        return refusal;
    if (!proxyAccepts(grid))
        return "the GL cannot hold a 3D texture of " + gridText(grid) + " in RGBA16";
    return {};
}

unsigned int createVolumeTexture(const SampleGrid &grid)
{
    // Errors of earlier calls, not ours, would otherwise read as a failed allocation below;
    // bounded, since a lost context reports its loss on every call.
    for (int pending = 0; pending < 16 && glGetError() != GL_NO_ERROR; ++pending) {
    }
    GLuint texture = 0;
    glActiveTexture(GL_TEXTURE0);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_3D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
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
