#include "ByteStream.h"

#include "ImportError.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t inputChunk = 1 << 18;
// zlib counts its buffers in 32-bit unsigned integers.
constexpr int64_t maxOutputPerCall = 1 << 30;

} // namespace

ByteStream::ByteStream(const QString &path)
    : filePath(path)
    , file(path)
{
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
}

ByteStream::~ByteStream()
{
    if (zstream)
        inflateEnd(zstream.get());
}

bool ByteStream::isGzipFile(const QString &path)
{
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return false;
    const QByteArray magic = probe.read(2);
    return magic == QByteArray("\x1f\x8b", 2);
}

int64_t ByteStream::fileSize() const
{
    return file.size();
}

void ByteStream::seekFile(int64_t offset)
{
    if (!file.seek(offset))
        throw ImportError(QStringLiteral("%1: cannot seek to byte %2").arg(filePath).arg(offset));
    delivered = uint64_t(offset);
}

void ByteStream::startInflating()
{
    zstream = std::make_unique<z_stream_s>();
    std::memset(zstream.get(), 0, sizeof(z_stream_s));
    // 15 + 32: the largest window, and detection of the zlib or gzip header.
    if (inflateInit2(zstream.get(), 15 + 32) != Z_OK) {
        zstream.reset();
        throw ImportError(QStringLiteral("%1: cannot start decompressing").arg(filePath));
    }
    input.resize(inputChunk);
    delivered = 0;
}

int64_t ByteStream::read(char *data, int64_t size)
{
    const int64_t got = zstream ? readInflated(data, size) : std::max<int64_t>(file.read(data, size), 0);
    delivered += uint64_t(got);
    return got;
}

void ByteStream::readExactly(char *data, int64_t size, const QString &what)
{
    const int64_t got = read(data, size);
    if (got < size)
        refuseShort(what, uint64_t(got), uint64_t(size));
}

void ByteStream::skip(uint64_t size, const QString &what)
{
    if (!zstream) {
        const uint64_t left = uint64_t(std::max<int64_t>(file.size() - file.pos(), 0));
        if (left < size)
            refuseShort(what, left, size);
        seekFile(file.pos() + int64_t(size));
        return;
    }
    std::vector<char> scratch(size_t(std::min<uint64_t>(size, inputChunk)));
    uint64_t done = 0;
    while (done < size) {
        const int64_t step = int64_t(std::min<uint64_t>(size - done, scratch.size()));
        const int64_t got = read(scratch.data(), step);
        done += uint64_t(got);
        if (got < step)
            refuseShort(what, done, size);
    }
}

void ByteStream::refuseShort(const QString &what, uint64_t got, uint64_t wanted) const
{
    throw ImportError(QStringLiteral("%1: %2 ends after %3 of %4 bytes").arg(filePath, what).arg(got).arg(wanted));
}

int64_t ByteStream::readInflated(char *data, int64_t size)
{
    z_stream_s &z = *zstream;
    int64_t got = 0;
    while (got < size && !streamEnded) {
        if (z.avail_in == 0 && !refillInput())
            break;
        z.next_out = reinterpret_cast<Bytef *>(data + got);
        z.avail_out = uInt(std::min(size - got, maxOutputPerCall));
        const uInt outBefore = z.avail_out;
        const int rc = inflate(&z, Z_NO_FLUSH);
        got += outBefore - z.avail_out;
        if (rc == Z_STREAM_END) {
            if (nextGzipMemberFollows())
                inflateReset(&z);
            else
                streamEnded = true;
        } else if (rc == Z_BUF_ERROR) {
            // No progress with input left would loop forever; without, the next turn refills.
            if (z.avail_in != 0)
                break;
        } else if (rc != Z_OK) {
            throw ImportError(QStringLiteral("%1: compressed data is corrupt (%2)")
                                  .arg(filePath, QString::fromLatin1(z.msg ? z.msg : "zlib error")));
        }
    }
    return got;
}

// Keeps the bytes zlib has not consumed yet at the front of the buffer and appends what
// the file has next; false at the end of the file.
bool ByteStream::refillInput()
{
    z_stream_s &z = *zstream;
    const int64_t kept = z.avail_in;
    if (kept > 0 && z.next_in != input.data())
        std::memmove(input.data(), z.next_in, size_t(kept));
    const int64_t got = file.read(reinterpret_cast<char *>(input.data()) + kept, int64_t(input.size()) - kept);
    z.next_in = input.data();
    z.avail_in = uInt(kept + std::max<int64_t>(got, 0));
    return got > 0;
}

// A stream ended; the data goes on only where another gzip member starts right after it
// (as written by parallel and block compressors). Anything else after it is ignored.
bool ByteStream::nextGzipMemberFollows()
{
    z_stream_s &z = *zstream;
    if (z.avail_in < 2)
        refillInput();
    return z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b;
}
