#include "VolumeReader.h"

#include "Volume.h"
#include "VolumeImport.h"

#include <QFile>

namespace {

// The window names the path before the reason, so a refusal about the path itself loses its
// own mention of it; one about a file inside (a slice of a series) keeps that file's name.
std::string reasonWithoutPath(const std::string &refusal, const std::string &path)
{
    const std::string prefix = path + ": ";
    return refusal.compare(0, prefix.size(), prefix) == 0 ? refusal.substr(prefix.size()) : refusal;
}

ReadVolume readVolumeOf(ImportResult &&result, const std::string &path)
{
    ReadVolume read;
    if (!result.ok()) {
        read.refusal = reasonWithoutPath(result.refusal, path);
        return read;
    }
    read.sizeX = result.sizeX;
    read.sizeY = result.sizeY;
    read.sizeZ = result.sizeZ;
    read.spacingX = result.spacing[0];
    read.spacingY = result.spacing[1];
    read.spacingZ = result.spacing[2];
    read.spacingKnown = result.hasSpacing;
    read.format = std::move(result.format);
    read.values = valuesDescription(result);
    read.samples = std::move(result.samples);
    read.notes = std::move(result.notes);
    return read;
}

} // namespace

VolumeReader importingVolumeReader()
{
    return [](const QString &path, const GridLimits &limits, const ReadProgress &progress, const std::atomic<bool> &cancel) {
        // The import looks for a cancel between files and slabs, the window sets its own flag:
        // each report of progress carries the window's wish over.
        ImportProgress *watched = nullptr;
        ImportProgress importProgress([&](double fraction) {
            progress(fraction);
            if (cancel.load())
                watched->cancel();
        });
        watched = &importProgress;
        const std::string localPath = QFile::encodeName(path).toStdString();
        ImportOptions options;
        options.limits = limits;
        return readVolumeOf(importVolume(localPath, options, importProgress), localPath);
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
