#pragma once

#include <QString>

#include <cstdint>

// Checks that the sample data of a file ITK is about to read is all there. ITK's NIfTI
// and MetaImage readers take a file cut short, or compressed data that is corrupt, without
// complaint and pad the samples; these checks refuse such files first, naming `file`.
namespace StoredData {

// Plain data: the file holds at least `needed` bytes from byte `offset` on.
void checkPlain(const QString &file, int64_t offset, uint64_t needed);

// Compressed data from byte `offset` on (gzip, possibly several members, or zlib): it
// inflates without error to its end, to at least `needed` bytes.
void checkCompressed(const QString &file, int64_t offset, uint64_t needed);

// Deflate inflates at most 1032 bytes from one compressed byte: files holding fewer than
// needed / maxInflateRatio bytes in all cannot hold the samples, however stored.
constexpr uint64_t maxInflateRatio = 1032;
void checkBound(const QString &file, uint64_t bytesOnDisk, uint64_t needed);

} // namespace StoredData
