#include "VolumeReader.h"

#include "Volume.h"

#include <QFile>

namespace {

// The window names the path before the reason, so a refusal about the path itself loses its
// own mention of it; one about a file inside (a slice of a series) keeps that file's name.
std::string reasonWithoutPath(const std::string &refusal, const QString &path)
{
    const std::string prefix = QFile::encodeName(path).toStdString() + ": ";
    return refusal.compare(0, prefix.size(), prefix) == 0 ? refusal.substr(prefix.size()) : refusal;
}

} // namespace

VolumeReader processVolumeReader(std::chrono::milliseconds stallLimit, const QString &program)
{
    return [stallLimit, program](const QString &path, const ImportOptions &options, const ReadProgress &progress, const std::atomic<bool> &cancel) {
        ImportResult result = ReaderProcess(stallLimit, program).read(path, options, progress, cancel);
        result.refusal = reasonWithoutPath(result.refusal, path);
        return result;
    };
}

std::unique_ptr<Volume> makeVolume(const VolumeDescription &description)
{
    return std::make_unique<Volume>(description);
}
