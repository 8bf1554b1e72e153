#pragma once

#include "SliceImage.h"
#include "SlicePlane.h"
#include "SliceSource.h"
#include "WindowLevel.h"

#include <QImage>
#include <QString>

#include <optional>

// A thick slab: instead of one slice a view shows, for every cell of its plane, the largest
// (MIP), the smallest (MinIP) or the mean sample of the slices around the current one. The
// slab takes the odd number of slices nearest its thickness over the spacing, centred on the
// current slice and clipped at the volume's edges; a thickness below one slice is the plain
// slice. Pure computation, so that it can be checked against a projection by hand.

enum class SlabMode { Mip, MinIp, Mean };

struct SlabSetting
{
    // Millimetres; 0 is the plain slice.
    double thickness = 0.0;
    SlabMode mode = SlabMode::Mip;

    bool operator==(const SlabSetting &other) const { return thickness == other.thickness && mode == other.mode; }
    bool operator!=(const SlabSetting &other) const { return !(*this == other); }
};

// The slices a slab covers along the plane's slice axis, first to last, both included.
struct SlabRange
{
    int first = 0;
    int last = 0;

    int count() const { return last - first + 1; }
};

SlabRange slabRange(const SliceSource &source, const SlicePlane &plane, int centre, double thickness);

// The slab's samples in screen order, as sliceSamples gathers one slice.
SliceSamples slabSamples(const SliceSource &source, const SlicePlane &plane, int centre, const SlabSetting &slab);

// "MIP", "MinIP" or "Mean", in the order of SlabMode.
QStringList slabModeNames();
// The mode the command line names "mip", "minip" or "mean"; none for another word.
std::optional<SlabMode> slabModeOfWord(const QString &word);

// "MIP 15.0 mm (21 slices)"; empty for a plain slice.
QString slabCaption(const SliceSource &source, const SlicePlane &plane, int centre, const SlabSetting &slab);

// A picture of size pixels of the slab around the middle slice of the given orientation.
QImage middleSlabPicture(const SliceSource &source, SliceOrientation orientation, const WindowLevel &window,
                         const SlabSetting &slab, const QSize &size);
