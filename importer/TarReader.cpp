#include "TarReader.h"

#include "ByteStream.h"
#include "ImportError.h"

namespace {

constexpr int blockSize = 512;
// GNU and pax extension records longer than this are not names.
constexpr uint64_t maxExtensionSize = 1 << 16;

uint64_t paddedToBlock(uint64_t size)
{
    return (size + blockSize - 1) / blockSize * blockSize;
}

QByteArray field(const QByteArray &block, int offset, int length)
{
    const QByteArray bytes = block.mid(offset, length);
    const int end = bytes.indexOf('\0');
    return end < 0 ? bytes : bytes.left(end);
}

// Octal digits, or base 256 (big-endian, marked by the top bit of the first byte) for
// sizes of 8 GiB and more; false for anything else or sizes beyond 2^62.
bool parseNumber(const QByteArray &block, int offset, int length, uint64_t *value)
{
    const QByteArray bytes = block.mid(offset, length);
    uint64_t result = 0;
    if (uint8_t(bytes[0]) & 0x80) {
        for (int i = 0; i < length; ++i) {
            const uint8_t byte = i == 0 ? uint8_t(bytes[i]) & 0x7f : uint8_t(bytes[i]);
            if (result >> 54)
                return false;
            result = (result << 8) | byte;
        }
        *value = result;
        return true;
    }
    const QByteArray digits = bytes.trimmed();
    const int end = digits.indexOf('\0');
    const QByteArray number = (end < 0 ? digits : digits.left(end)).trimmed();
    if (number.isEmpty())
        return false;
    for (char c : number) {
        if (c < '0' || c > '7' || (result >> 59))
            return false;
        result = result * 8 + uint64_t(c - '0');
    }
    *value = result;
    return true;
}

// The stored checksum is the sum of the header's bytes with its own field taken as spaces.
bool checksumMatches(const QByteArray &block)
{
    uint64_t stored = 0;
    if (!parseNumber(block, 148, 8, &stored))
        return false;
    uint64_t sum = 0;
    for (int i = 0; i < blockSize; ++i)
        sum += (i >= 148 && i < 156) ? uint8_t(' ') : uint8_t(block[i]);
    return sum == stored;
}

QString memberName(const QByteArray &block)
{
    QByteArray name = field(block, 0, 100);
    if (block.mid(257, 5) == "ustar") {
        const QByteArray prefix = field(block, 345, 155);
        if (!prefix.isEmpty())
            name = prefix + '/' + name;
    }
    return QString::fromUtf8(name);
}

// pax records: "<length> <key>=<value>\n", one after the other.
QString paxPath(const QByteArray &records)
{
    int at = 0;
    while (at < records.size()) {
        const int space = records.indexOf(' ', at);
        bool ok = false;
        const int length = space < 0 ? 0 : records.mid(at, space - at).toInt(&ok);
        if (!ok || length <= space - at || at + length > records.size())
            return QString();
        const QByteArray record = records.mid(space + 1, at + length - space - 2);
        if (record.startsWith("path="))
            return QString::fromUtf8(record.mid(5));
        at += length;
    }
    return QString();
}

bool isZeroBlock(const QByteArray &block)
{
    return block.count('\0') == blockSize;
}

} // namespace

TarReader::TarReader(ByteStream &stream)
    : stream(stream)
{
}

bool TarReader::next(TarMember *member)
{
    skipPending();
    QString longName;
    QByteArray block;
    while (readHeader(&block)) {
        uint64_t size = 0;
        if (!parseNumber(block, 124, 12, &size))
            throw ImportError(QStringLiteral("%1: tar header with a broken size").arg(stream.path()));
        const char type = block[156];
        if (type == 'L' || type == 'x') {
            if (size > maxExtensionSize)
                throw ImportError(QStringLiteral("%1: tar extension header of %2 bytes").arg(stream.path()).arg(size));
            const QByteArray data = readData(size, QStringLiteral("tar extension header"));
            longName = type == 'L' ? QString::fromUtf8(field(data, 0, data.size())) : paxPath(data);
            continue;
        }
        current.name = longName.isEmpty() ? memberName(block) : longName;
        current.offset = stream.position();
        current.size = size;
        pending = paddedToBlock(size);
        longName.clear();
        if (type == '0' || type == '\0' || type == '7') {
            *member = current;
            return true;
        }
        skipPending();
    }
    return false;
}

QByteArray TarReader::readContents(uint64_t maxSize)
{
    if (current.size > maxSize)
        throw ImportError(QStringLiteral("%1: %2 in the archive is larger than %3 bytes")
                              .arg(stream.path(), current.name)
                              .arg(maxSize));
    const QByteArray data = readData(current.size, current.name);
    pending = 0;
    return data;
}

// False at the end of the archive: two zero blocks, or (from careless writers) none.
bool TarReader::readHeader(QByteArray *block)
{
    block->resize(blockSize);
    const int64_t got = stream.read(block->data(), blockSize);
    if (got == 0)
        return false;
    if (got < blockSize)
        throw ImportError(QStringLiteral("%1: tar header ends after %2 bytes").arg(stream.path()).arg(got));
    if (isZeroBlock(*block))
        return false;
    if (!checksumMatches(*block))
        throw ImportError(QStringLiteral("%1: not a tar archive (header checksum does not match)").arg(stream.path()));
    return true;
}

// Reads size bytes of data and the padding after them.
QByteArray TarReader::readData(uint64_t size, const QString &what)
{
    QByteArray data(int(size), '\0');
    stream.readExactly(data.data(), int64_t(size), what);
    stream.skip(paddedToBlock(size) - size, what);
    return data;
}

void TarReader::skipPending()
{
    if (pending > 0)
        stream.skip(pending, current.name);
    pending = 0;
}
