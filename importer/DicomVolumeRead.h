#pragma once

#include "DicomHeader.h"
#include "SourceVolume.h"

#include <string>
#include <vector>

class ImportProgress;

// The pixels of one chosen stack, read once per file: each file through ITK's GDCM reader,
// on every core, straight into its place in the volume. The stored type stays (int16 for
// most CT) where every file stores its samples alike; files that differ in their rescale
// come out as floats. A file that changed or went away since the scan is refused by name,
// not read. Refusals name `where` (the path the user opened) and the file.
namespace DicomVolumeRead {

// Checks, sorts (DicomSeriesRules), reads and places the stack; `notes` go with the volume.
// Reports progress from `start` (what the scan took) to 1.
SourceVolume volumeOfStack(const QString &where, std::vector<DicomHeader> stack, std::vector<std::string> notes,
                           const GridLimits &limits, const ImportProgress &progress, double start);

} // namespace DicomVolumeRead
