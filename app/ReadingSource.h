#pragma once

#include "SliceSource.h"

class Volume;

// What the reading views read of a volume: its kept samples at the size its source states
// (without the column and row that odd sizes gain on the adjusted grid), its spacing, frame
// and units. An empty source for no volume or an invalid one.
SliceSource readingSourceOf(const Volume *volume);
