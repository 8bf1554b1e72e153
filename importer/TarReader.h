#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

class ByteStream;

// One regular file of a tar archive: its path in the archive and where its data lies in
// the (inflated) stream.
struct TarMember
{
    QString name;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// Walks the regular files of a ustar archive read from a stream, front to back, without
// an index and without extracting anything. Understands GNU long names and pax paths, so
// that names longer than 100 bytes are not cut; skips directories and links. Headers with
// a wrong checksum are refused: that is how a file that is no tar archive shows itself.
class TarReader
{
public:
    explicit TarReader(ByteStream &stream);

    // Moves to the next regular file; false at the end of the archive.
    bool next(TarMember *member);
    // The current member's whole contents, read before the next call to next(); members
    // larger than maxSize are refused.
    QByteArray readContents(uint64_t maxSize);

private:
    bool readHeader(QByteArray *block);
    QByteArray readData(uint64_t size, const QString &what);
    void skipPending();

    ByteStream &stream;
    TarMember current;
    // Bytes of the current member, with the padding to a whole block, not yet read.
    uint64_t pending = 0;
};
