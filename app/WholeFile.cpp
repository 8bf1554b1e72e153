#include "WholeFile.h"

#include "RegularFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

QString writeWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Unbuffered, so that a write the disk refuses fails here. Through the toolkit's buffer
    // the failure would surface only in the flush inside commit(), which does not check it
    // and would put the cut-off file in place of the whole one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        // A write cut short (a full disk, a file size limit) sets no error of the toolkit's;
        // the system's reason is still in errno.
        const int reason = errno;
        return file.error() != QFileDevice::NoError ? file.errorString() : QString::fromLocal8Bit(std::strerror(reason));
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

std::optional<FileStart> readRegularFileStart(const QString &path, qint64 limit)
{
    QFile file;
    std::FILE *handle = openRegularFile(QFile::encodeName(path).constData());
    if (!handle || !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (handle)
            std::fclose(handle);
        return std::nullopt;
    }
    FileStart start;
    start.bytes = file.read(limit);
    start.size = file.size();
    return start;
}
