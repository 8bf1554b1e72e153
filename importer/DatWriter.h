#pragma once

#include <QString>

class SampleArray;
struct ValueMapping;

// Writes a .dat volume through the viewer's own writer, with every sample passed through the
// mapping; the file appears whole or not at all, and a grid the viewer would refuse is
// refused here.
void writeDat(const QString &path, const SampleArray &samples, const ValueMapping &mapping);
