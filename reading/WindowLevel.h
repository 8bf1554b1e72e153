#pragma once

#include "SampleLimits.h"
#include "SampleUnits.h"
#include "SliceSource.h"

#include <array>
#include <cstdint>
#include <vector>

// Grey values through a window and level in the volume's original units (Hounsfield units
// for CT): values from level - width / 2 to level + width / 2 run from black to white, below
// is black, above white. The views turn it into a table of one grey per 12-bit sample, so
// drawing a slice costs one look-up per pixel whatever the units.

struct WindowLevel
{
    double width = 400.0;
    double level = 40.0;

    bool operator==(const WindowLevel &other) const { return width == other.width && level == other.level; }
    bool operator!=(const WindowLevel &other) const { return !(*this == other); }
};

struct WindowPreset
{
    const char *name;
    WindowLevel window;
};

// The usual CT windows, in Hounsfield units.
const std::vector<WindowPreset> &ctWindowPresets();

// The narrowest window: one sample step in the source's units.
double narrowestWidth(const SampleUnits &units);

using GreyTable = std::array<uint8_t, transferTableSize>;
// The grey of every sample.
GreyTable greyTable(const WindowLevel &window, const SampleUnits &units);

// The window after a drag with the right button by dx, dy pixels: to the right widens,
// upwards raises the level, each pixel worth unitsPerPixel.
WindowLevel draggedWindow(const WindowLevel &window, int dx, int dy, double unitsPerPixel, const SampleUnits &units);
// What a pixel of a drag is worth: a full-width drag of about a thousand pixels sweeps the
// whole range of the samples.
double dragUnitsPerPixel(const SampleUnits &units);

// The window over the robust range of the samples (0.5 % to 99.5 % of the voxels), or over
// all of their range where that range collapses (a mask, a mostly empty volume).
WindowLevel automaticWindow(const SliceSource &source);
// The window a volume is first shown with: soft tissue for CT, the automatic one otherwise.
WindowLevel startWindow(const SampleUnits &units, const WindowLevel &automatic);
