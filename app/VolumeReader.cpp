#include "VolumeReader.h"

#include "Volume.h"

VolumeReader importingVolumeReader()
{
    // Stopgap until the import layer joins the viewer: every other format is refused.
    return [](const QString &, const ReadProgress &, const std::atomic<bool> &) {
        ReadVolume read;
        read.refusal = "this build opens only .dat volumes";
        return read;
    };
}

Volume *makeVolume(const ReadVolume &read)
{
    VoxelSpacing spacing;
    spacing.known = read.spacingKnown;
    if (read.spacingKnown) {
        spacing.x = read.spacingX;
        spacing.y = read.spacingY;
        spacing.z = read.spacingZ;
    }
    return new Volume(read.samples.data(), read.sizeX, read.sizeY, read.sizeZ, spacing);
}
