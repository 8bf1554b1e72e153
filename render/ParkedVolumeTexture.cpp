#include "ParkedVolumeTexture.h"

#include "ConsoleLine.h"
#include "Volume.h"
#include "VolumeTexture.h"

#include <GL/glew.h>

#include <new>

bool ParkedVolumeTexture::park(Volume &volume)
{
    clear();
    if (volume.texture == 0)
        return true;
    bool parked = true;
    try {
        texels.resize(std::size_t(4) * std::size_t(volume.textureGrid().reduced.voxelCount()));
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_3D, volume.texture);
        glGetTexImage(GL_TEXTURE_3D, 0, GL_RGBA, GL_UNSIGNED_SHORT, texels.data());
    } catch (const std::bad_alloc &) {
        clear();
        printConsole("Can't keep the volume while the GL context is replaced: out of memory\n");
        parked = false;
    }
    volume.deleteTexture();
    return parked;
}

void ParkedVolumeTexture::restore(Volume &volume)
{
    if (texels.empty())
        return;
    const SampleGrid grid = volume.textureGrid().reduced;
    volume.texture = createVolumeTexture(grid);
    if (volume.texture != 0)
        uploadVolumeSlab(volume.texture, grid, 0, grid.sizeZ, texels.data());
    clear();
}

void ParkedVolumeTexture::clear()
{
    std::vector<uint16_t>().swap(texels);
}
