#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading and writing the small files the window keeps beside a volume (its stops, its
// measurements) as wholes.

// Writes to a temporary file in the same directory and renames it over the old one, so a
// full disk or a crash leaves the last complete file. Returns the reason of a failure, or
// an empty string.
QString writeWholeFile(const QString &path, const QByteArray &bytes);

// At most limit bytes of a regular file (and whether there were more); none for anything
// else, such as a missing file, a directory or a named pipe, which would hold the read.
struct FileStart
{
    QByteArray bytes;
    qint64 size = 0;
};
std::optional<FileStart> readRegularFileStart(const QString &path, qint64 limit);
