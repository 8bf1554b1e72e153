#pragma once

#include <QString>

class SampleArray;
struct ValueMapping;

// Writes a .dat volume (sizes X, Y, Z, then the samples, x fastest; all little-endian
// unsigned 16-bit) with every sample passed through the mapping. The file appears whole or
// not at all: it is written under a temporary name beside the target and renamed at the
// end, so a failure leaves any earlier file of that name untouched.
void writeDat(const QString &path, const SampleArray &samples, const ValueMapping &mapping);
