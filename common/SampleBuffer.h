#pragma once

#include "OwnedArray.h"

#include <cstdint>

// The 12-bit samples of a volume, x fastest, wherever they live. The reader's hand-over
// computes them from the values it mapped (OriginalValues), and a Volume keeps a copy of its
// own on its adjusted grid, after which the hand-over's buffer goes.
using SampleBuffer = OwnedArray<uint16_t>;
