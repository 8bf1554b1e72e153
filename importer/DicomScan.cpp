#include "DicomScan.h"

#include "DicomHeaderReader.h"
#include "ImportProgress.h"
#include "SourceVolume.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

namespace {

void collectFiles(const QString &folder, QSet<QString> *visited, QStringList *files, int *unreadableFolders)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || visited->contains(canonical))
        return;
    visited->insert(canonical);
    const QDir dir(folder);
    if (!dir.isReadable()) {
        ++*unreadableFolders;
        return;
    }
    for (const QFileInfo &entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (entry.isDir())
            collectFiles(entry.filePath(), visited, files, unreadableFolders);
        else if (entry.isFile())
            files->append(entry.filePath());
    }
}

unsigned workerCount(int files)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min<unsigned>(cores, unsigned(std::max(files, 1)));
}

} // namespace

namespace DicomScan {

QStringList filesBelow(const QString &folder, int *unreadableFolders)
{
    QSet<QString> visited;
    QStringList files;
    collectFiles(folder, &visited, &files, unreadableFolders);
    files.sort();
    return files;
}

DicomScanResult scanFiles(const QString &where, const QStringList &paths, const ImportProgress &progress, double share)
{
    std::vector<std::optional<DicomHeader>> found(size_t(paths.size()));
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    const auto work = [&] {
        for (int i = next++; i < paths.size() && !progress.cancelRequested(); i = next++) {
            DicomHeader header;
            if (DicomHeaderReader::read(paths[i], &header))
                found[size_t(i)] = std::move(header);
            progress.report(share * double(++done) / double(paths.size()));
        }
    };
    std::vector<std::thread> workers;
    for (unsigned w = 1; w < workerCount(int(paths.size())); ++w)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();
    checkCancel(where, progress);

    DicomScanResult scan;
    scan.filesSeen = int(paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        if (found[size_t(i)]) {
            scan.headers.push_back(std::move(*found[size_t(i)]));
        } else if (!QFileInfo(paths[i]).isReadable()) {
            ++scan.unreadableFiles;
        } else {
            ++scan.passedOver;
        }
    }
    return scan;
}

DicomScanResult scanFolder(const QString &folder, const ImportProgress &progress, double share)
{
    int unreadableFolders = 0;
    const QStringList paths = filesBelow(folder, &unreadableFolders);
    DicomScanResult scan = scanFiles(folder, paths, progress, share);
    scan.unreadableFolders = unreadableFolders;
    return scan;
}

QString passedOverNote(const DicomScanResult &scan)
{
    QStringList parts;
    if (scan.passedOver > 0)
        parts << QStringLiteral("passed over %1 of %2 files that are not DICOM images or are damaged").arg(scan.passedOver).arg(scan.filesSeen);
    if (scan.unreadableFiles > 0)
        parts << QStringLiteral("%1 %2 could not be read").arg(scan.unreadableFiles).arg(scan.unreadableFiles == 1 ? "file" : "files");
    if (scan.unreadableFolders > 0)
        parts << QStringLiteral("%1 %2 could not be read").arg(scan.unreadableFolders).arg(scan.unreadableFolders == 1 ? "folder" : "folders");
    return parts.join(QStringLiteral("; "));
}

} // namespace DicomScan
