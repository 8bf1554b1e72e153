#include "VolumeReader.h"

#include "Volume.h"

#include <QFile>

namespace {

// The window names the path before the reason, so a refusal about the path itself loses its
// own mention of it; one about a file inside (a slice of a series) keeps that file's name.
std::string reasonWithoutPath(const std::string &refusal, const std::string &path)
{
    const std::string prefix = path + ": ";
    return refusal.compare(0, prefix.size(), prefix) == 0 ? refusal.substr(prefix.size()) : refusal;
}

} // namespace

VolumeReader importingVolumeReader()
{
    return [](const QString &path, const ReadProgress &progress, const std::atomic<bool> &cancel) {
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
        ImportResult result = importVolume(localPath, ImportOptions{}, importProgress);
        result.refusal = reasonWithoutPath(result.refusal, localPath);
        return result;
    };
}

std::unique_ptr<Volume> makeVolume(const VolumeDescription &description)
{
    return std::make_unique<Volume>(description);
}
