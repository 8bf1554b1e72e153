#include "TextHeader.h"

#include "ImportError.h"
#include "VolumeSource.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

constexpr int64_t maxLineLength = 1 << 16;
constexpr int64_t maxHeaderLength = 1 << 20;

} // namespace

TextHeader::TextHeader(const QString &path)
    : path(path)
    , file(path)
{
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
}

bool TextHeader::nextLine(QByteArray *line)
{
    if (file.atEnd())
        return false;
    if (file.pos() > maxHeaderLength)
        throw ImportError(QStringLiteral("%1: header goes on past %2 bytes").arg(path).arg(maxHeaderLength));
    *line = file.readLine(maxLineLength + 1);
    ++lines;
    const bool ended = line->endsWith('\n');
    if (!ended && !file.atEnd())
        throw ImportError(QStringLiteral("%1: header line %2 is not text").arg(path).arg(lines));
    if (ended)
        line->chop(1);
    if (line->endsWith('\r'))
        line->chop(1);
    return true;
}

QString dataFileBesideHeader(const QString &headerPath, const QString &name)
{
    if (QFileInfo(name).isAbsolute())
        return name;
    return QFileInfo(headerPath).dir().filePath(name);
}

uint64_t parseCount(const QString &path, const QString &field, const QString &text)
{
    bool ok = false;
    const uint64_t value = text.trimmed().toULongLong(&ok);
    if (!ok)
        throw ImportError(QStringLiteral("%1: %2 \"%3\" is not a whole number").arg(path, field, text));
    return value;
}

int64_t parseSkip(const QString &path, const QString &field, const QString &text)
{
    bool ok = false;
    const int64_t value = text.trimmed().toLongLong(&ok);
    if (!ok || value < -1)
        throw ImportError(QStringLiteral("%1: %2 \"%3\" is not a byte count (or -1)").arg(path, field, text));
    return value;
}

void parseThreeSizes(const QString &path, const QString &field, const QString &text, uint64_t sizes[3])
{
    const QStringList parts = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        throw ImportError(QStringLiteral("%1: %2 \"%3\" does not give three sizes").arg(path, field, text));
    for (int axis = 0; axis < 3; ++axis)
        sizes[axis] = parseCount(path, field, parts[axis]);
    checkDatSizes(path, sizes[0], sizes[1], sizes[2]);
}

int64_t skipLines(const QString &path, int64_t from, uint64_t count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        throw ImportError(QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
    uint64_t skipped = 0;
    char c;
    while (skipped < count && file.getChar(&c)) {
        if (c == '\n')
            ++skipped;
    }
    if (skipped < count)
        throw ImportError(QStringLiteral("%1: has %2 of the %3 lines to skip").arg(path).arg(skipped).arg(count));
    return file.pos();
}
