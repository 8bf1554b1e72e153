#pragma once

#include "DicomHeader.h"
#include "SourceVolume.h"

#include <vector>

class ImportProgress;

// The common case read the short way: a stack of single-frame grey images of 16-bit
// samples that all share one rescale of slope 1 and a whole intercept, as CT scanners
// write them. Each file is decoded once by GDCM straight into its place in an int16 volume
// and the intercept is added there; ITK's reader would parse every file twice and widen the
// samples to int32 whenever the intercept could take some stored value out of int16's range.
// Where a value does leave it, the caller reads the stack the general way.
namespace DicomDirectRead {

// Whether the stack is of that kind, by its headers.
bool applies(const std::vector<DicomHeader> &stack);

// Reads the stack, sorted, into `volume` (sizes, type, spacing in the plane and samples;
// the caller places it); false where a value does not fit int16. Refuses (ImportError
// naming `where` and the file) a file that changed since the scan or does not decode to
// the image its header describes. Reports progress from `start` to 1.
bool read(const QString &where, const std::vector<DicomHeader> &stack, const GridLimits &limits, SourceVolume *volume,
          const ImportProgress &progress, double start);

} // namespace DicomDirectRead
