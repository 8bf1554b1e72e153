#pragma once

#include "OriginalValues.h"
#include "SampleBuffer.h"
#include "ValueMapping.h"

// The viewer's 12-bit samples of a volume's original values under the mapping its reader
// chose, one per value, computed on `threads` threads. Integer values that span few whole
// numbers, lowest..highest, go through a table of the mapping instead of a conversion to
// double, a check and a rounding per value, which cost more than reading the files; a value
// outside that span (the range came from elsewhere) is mapped on its own. Throws
// std::bad_alloc when memory is short.
SampleBuffer mapToSamples(const OriginalValues &values, const ValueMapping &mapping, double lowest, double highest,
                          int threads);

// The threads worth using on this machine for such work.
int mappingThreads();
