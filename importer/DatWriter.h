#pragma once

#include <QString>

#include <cstdint>

// Writes a .dat volume of the given sizes through the viewer's own writer; the file appears
// whole or not at all, and a grid the viewer would refuse is refused here. Refuses with an
// ImportError naming the path.
void writeDat(const QString &path, const int sizes[3], const uint16_t *samples);
