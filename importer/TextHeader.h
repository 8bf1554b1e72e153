#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

// The text lines that open a NRRD or MetaImage file, read one at a time, with the byte at
// which the data after the current line begins. Binary bytes where text should be end in
// a refusal, not in reading megabytes as one line.
class TextHeader
{
public:
    explicit TextHeader(const QString &path);

    // The next line without its line end (LF or CR LF); false at the end of the file.
    bool nextLine(QByteArray *line);
    int64_t position() const { return file.pos(); }
    int64_t fileSize() const { return file.size(); }
    // Lines read so far, for messages.
    int lineNumber() const { return lines; }

private:
    QString path;
    QFile file;
    int lines = 0;
};

// The path of a data file named in a header: relative names are relative to the header's
// folder, not to the working directory.
QString dataFileBesideHeader(const QString &headerPath, const QString &name);

// Parsers for the numbers of text headers; each refuses what is not one, naming the field.
uint64_t parseCount(const QString &path, const QString &field, const QString &text);
int64_t parseSkip(const QString &path, const QString &field, const QString &text);
void parseThreeSizes(const QString &path, const QString &field, const QString &text, uint64_t sizes[3]);

// Moves past `count` line ends of `file`, starting at byte `from`; returns the byte after
// the last one skipped.
int64_t skipLines(const QString &path, int64_t from, uint64_t count);
