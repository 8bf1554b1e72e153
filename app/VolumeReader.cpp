#include "VolumeReader.h"

#include "ReaderProcess.h"
#include "Volume.h"

VolumeReader processVolumeReader(std::chrono::milliseconds stallLimit)
{
    return [stallLimit](const QString &path, const GridLimits &limits, const ReadProgress &progress, const std::atomic<bool> &cancel) {
        return ReaderProcess(stallLimit).read(path, limits, progress, cancel);
    };
}

std::unique_ptr<Volume> makeVolume(const VolumeDescription &description)
{
    return std::make_unique<Volume>(description);
}
