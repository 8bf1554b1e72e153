#include "StoredData.h"

#include "ImportError.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace StoredData {

namespace {

constexpr int chunk = 1 << 16;
// Inflate's window size plus 32: take gzip or zlib, whichever the header says.
constexpr int anyHeader = 15 + 32;

class Inflater
{
public:
    Inflater() { inflateInit2(&stream, anyHeader); }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    z_stream stream{};
};

} // namespace

void checkPlain(const QString &file, int64_t offset, uint64_t needed)
{
    const int64_t size = QFile(file).size();
    const uint64_t available = uint64_t(std::max<int64_t>(size - offset, 0));
    if (available < needed)
        throw ImportError(QStringLiteral("%1: holds %2 bytes of samples after byte %3; the sizes need %4")
                              .arg(file)
                              .arg(available)
                              .arg(offset)
                              .arg(needed));
}

void checkBound(const QString &file, uint64_t bytesOnDisk, uint64_t needed)
{
    if (needed / maxInflateRatio > bytesOnDisk)
        throw ImportError(QStringLiteral("%1: %2 bytes on disk cannot hold the %3 bytes of samples the sizes need")
                              .arg(file)
                              .arg(bytesOnDisk)
                              .arg(needed));
}

void checkCompressed(const QString &file, int64_t offset, uint64_t needed)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly) || !input.seek(offset))
        throw ImportError(QStringLiteral("%1: cannot read: %2").arg(file, input.errorString()));
    Inflater inflater;
    z_stream &z = inflater.stream;
    std::vector<unsigned char> in(chunk);
    std::vector<unsigned char> out(chunk);
    uint64_t inflated = 0;
    int status = Z_OK;
    bool drained = true;
    for (;;) {
        if (z.avail_in == 0 && drained) {
            const qint64 got = input.read(reinterpret_cast<char *>(in.data()), chunk);
            if (got <= 0)
                break;
            z.next_in = in.data();
            z.avail_in = uInt(got);
        }
        z.next_out = out.data();
        z.avail_out = chunk;
        status = inflate(&z, Z_NO_FLUSH);
        inflated += chunk - z.avail_out;
        drained = z.avail_out != 0;
        if (status == Z_STREAM_END) {
            // Further gzip members continue the data; anything else after the end is ignored.
            if (z.avail_in < 2 || z.next_in[0] != 0x1f || z.next_in[1] != 0x8b)
                break;
            inflateReset(&z);
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            throw ImportError(QStringLiteral("%1: the compressed data is corrupt (%2)")
                                  .arg(file, QString::fromLatin1(z.msg ? z.msg : "inflate failed")));
        }
    }
    if (status != Z_STREAM_END)
        throw ImportError(QStringLiteral("%1: the compressed data ends after %2 bytes, before its end").arg(file).arg(inflated));
    if (inflated < needed)
        throw ImportError(QStringLiteral("%1: the compressed data holds %2 bytes; the sizes need %3").arg(file).arg(inflated).arg(needed));
}

} // namespace StoredData
