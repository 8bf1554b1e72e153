#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct z_stream_s;

// Sequential reading of one file, either as stored or by inflating a zlib or gzip stream
// that starts somewhere in it (a .nii.gz as a whole, the data part of an attached NRRD or
// MetaImage file, an InVesalius project). Readers see the same calls in both cases.
//
// Reads stop short only at the end of the data; corrupt compressed data and files that
// cannot be opened are refused with an ImportError naming the file.
class ByteStream
{
public:
    explicit ByteStream(const QString &path);
    ~ByteStream();

    ByteStream(const ByteStream &) = delete;
    ByteStream &operator=(const ByteStream &) = delete;

    // Whether the file begins with the gzip magic bytes, whatever its name says.
    static bool isGzipFile(const QString &path);

    const QString &path() const { return filePath; }
    int64_t fileSize() const;

    // Moves to a byte of the file as stored; only before inflating starts.
    void seekFile(int64_t offset);
    // From the current position of the file on, reads deliver what its compressed stream
    // inflates to. Concatenated gzip members read as one stream.
    void startInflating();

    // Reads up to size bytes; fewer only where the data ends.
    int64_t read(char *data, int64_t size);
    // Reads size bytes or refuses: "<path>: <what> ends after N of M bytes".
    void readExactly(char *data, int64_t size, const QString &what);
    void skip(uint64_t size, const QString &what);

    // Bytes delivered since the file was opened, or since inflating started.
    uint64_t position() const { return delivered; }

private:
    int64_t readInflated(char *data, int64_t size);
    bool refillInput();
    bool nextGzipMemberFollows();
    [[noreturn]] void refuseShort(const QString &what, uint64_t got, uint64_t wanted) const;

    QString filePath;
    QFile file;
    std::unique_ptr<z_stream_s> zstream;
    std::vector<unsigned char> input;
    bool streamEnded = false;
    uint64_t delivered = 0;
};
