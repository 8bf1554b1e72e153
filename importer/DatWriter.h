#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Writes a .dat volume: sizes X, Y, Z, then the samples, x fastest; all little-endian
// unsigned 16-bit. The file appears whole or not at all: it is written under a temporary
// name beside the target and renamed at the end, so a failure leaves any earlier file of
// that name untouched. Refuses with an ImportError.
void writeDat(const QString &path, const int sizes[3], const std::vector<uint16_t> &samples);
