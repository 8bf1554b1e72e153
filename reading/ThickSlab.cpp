#include "ThickSlab.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Below this many samples a second thread costs more than it saves.
constexpr int64_t samplesWorthTwoThreads = int64_t(1) << 20;
// How many cells ahead a slab across the storage order fetches its samples.
constexpr int prefetchColumns = 8;

// Where a slab's samples lie: the sample of the plane's first cell in the slab's first
// slice, and the steps to the next column, row and slice.
struct SlabWalk
{
    const uint16_t *first;
    int64_t columnStep;
    int64_t rowStep;
    int64_t sliceStep;
    int columns;
    int slices;
};

struct MaxFold
{
    using Sum = uint16_t;
    static Sum start() { return 0; }
    static Sum add(Sum sum, uint16_t sample) { return std::max(sum, sample); }
    static uint16_t result(Sum sum, int) { return sum; }
};

struct MinFold
{
    using Sum = uint16_t;
    static Sum start() { return UINT16_MAX; }
    static Sum add(Sum sum, uint16_t sample) { return std::min(sum, sample); }
    static uint16_t result(Sum sum, int) { return sum; }
};

struct MeanFold
{
    using Sum = uint32_t;
    static Sum start() { return 0; }
    static Sum add(Sum sum, uint16_t sample) { return sum + sample; }
    static uint16_t result(Sum sum, int count) { return uint16_t((sum + uint32_t(count) / 2) / uint32_t(count)); }
};

// Slice by slice over a row: for views whose columns lie closer together in memory than
// their slices (axial, coronal), each pass reads a run of neighbours.
template<class Fold>
void foldSlicesAcross(const SlabWalk &walk, int firstRow, int endRow, uint16_t *out)
{
    std::vector<typename Fold::Sum> sums(size_t(walk.columns));
    for (int row = firstRow; row < endRow; ++row) {
        std::fill(sums.begin(), sums.end(), Fold::start());
        for (int k = 0; k < walk.slices; ++k) {
            const uint16_t *sample = walk.first + row * walk.rowStep + k * walk.sliceStep;
            for (int column = 0; column < walk.columns; ++column, sample += walk.columnStep)
                sums[size_t(column)] = Fold::add(sums[size_t(column)], *sample);
        }
        uint16_t *line = out + int64_t(row) * walk.columns;
        for (int column = 0; column < walk.columns; ++column)
            line[column] = Fold::result(sums[size_t(column)], walk.slices);
    }
}

// Cell by cell along the slices: for views whose slices are the nearest neighbours in
// memory (sagittal), each cell reads one run.
template<class Fold>
void foldSlicesAlong(const SlabWalk &walk, int firstRow, int endRow, uint16_t *out)
{
    for (int row = firstRow; row < endRow; ++row) {
        uint16_t *line = out + int64_t(row) * walk.columns;
        for (int column = 0; column < walk.columns; ++column) {
            const uint16_t *sample = walk.first + row * walk.rowStep + column * walk.columnStep;
            // The cells lie far apart in memory, too far for the processor to foresee: the
            // run of a cell a few columns on is asked for now, so that it has arrived by then.
            if (column + prefetchColumns < walk.columns) {
                const uint16_t *ahead = sample + prefetchColumns * walk.columnStep;
                __builtin_prefetch(ahead);
                __builtin_prefetch(ahead + (walk.slices - 1) * walk.sliceStep);
            }
            typename Fold::Sum sum = Fold::start();
            for (int k = 0; k < walk.slices; ++k, sample += walk.sliceStep)
                sum = Fold::add(sum, *sample);
            line[column] = Fold::result(sum, walk.slices);
        }
    }
}

template<class Fold>
void foldRows(const SlabWalk &walk, int firstRow, int endRow, uint16_t *out)
{
    if (std::abs(walk.sliceStep) < std::abs(walk.columnStep))
        foldSlicesAlong<Fold>(walk, firstRow, endRow, out);
    else
        foldSlicesAcross<Fold>(walk, firstRow, endRow, out);
}

void foldRows(SlabMode mode, const SlabWalk &walk, int firstRow, int endRow, uint16_t *out)
{
    switch (mode) {
    case SlabMode::MinIp:
        foldRows<MinFold>(walk, firstRow, endRow, out);
        break;
    case SlabMode::Mean:
        foldRows<MeanFold>(walk, firstRow, endRow, out);
        break;
    case SlabMode::Mip:
        foldRows<MaxFold>(walk, firstRow, endRow, out);
        break;
    }
}

QString tr(const char *text)
{
    return QCoreApplication::translate("ThickSlab", text);
}

} // namespace

SlabRange slabRange(const SliceSource &source, const SlicePlane &plane, int centre, double thickness)
{
    const int slices = source.size[plane.sliceAxis];
    centre = std::clamp(centre, 0, std::max(0, slices - 1));
    const double across = thickness / source.spacingAlong(plane.sliceAxis);
    // The odd count nearest `across`, half of it on either side; no more than the volume holds.
    const int half = across >= 1 ? int(std::min<double>(std::lround((std::min(across, 1e9) - 1) / 2), slices)) : 0;
    return SlabRange{std::max(0, centre - half), std::min(slices - 1, centre + half)};
}

SliceSamples slabSamples(const SliceSource &source, const SlicePlane &plane, int centre, const SlabSetting &slab)
{
    const SlabRange range = slabRange(source, plane, centre, slab.thickness);
    if (source.isEmpty() || range.count() <= 1)
        return sliceSamples(source, plane, centre);
    SliceSamples gathered;
    gathered.cells = planeCells(plane, source.size);
    gathered.samples.resize(size_t(gathered.cells.width()) * size_t(gathered.cells.height()));
    const SlabWalk walk{source.samples + source.offsetOf(voxelOfCell(plane, QPoint(0, 0), range.first, source.size)),
                        (plane.columnsReversed ? -1 : 1) * source.stride[plane.columnAxis],
                        (plane.rowsReversed ? -1 : 1) * source.stride[plane.rowAxis],
                        source.stride[plane.sliceAxis],
                        gathered.cells.width(),
                        range.count()};
    const int rows = gathered.cells.height();
    uint16_t *out = gathered.samples.data();
    if (int64_t(gathered.samples.size()) * range.count() < samplesWorthTwoThreads) {
        foldRows(slab.mode, walk, 0, rows, out);
        return gathered;
    }
    std::thread second([&] { foldRows(slab.mode, walk, rows / 2, rows, out); });
    foldRows(slab.mode, walk, 0, rows / 2, out);
    second.join();
    return gathered;
}

QStringList slabModeNames()
{
    return {tr("MIP"), tr("MinIP"), tr("Mean")};
}

std::optional<SlabMode> slabModeOfWord(const QString &word)
{
    static const QStringList words{"mip", "minip", "mean"};
    const int index = int(words.indexOf(word));
    if (index < 0)
        return std::nullopt;
    return SlabMode(index);
}

QString slabCaption(const SliceSource &source, const SlicePlane &plane, int centre, const SlabSetting &slab)
{
    const int count = slabRange(source, plane, centre, slab.thickness).count();
    if (count <= 1)
        return QString();
    return tr("%1 %2 mm (%3 slices)").arg(slabModeNames().at(int(slab.mode))).arg(slab.thickness, 0, 'f', 1).arg(count);
}

QImage middleSlabPicture(const SliceSource &source, SliceOrientation orientation, const WindowLevel &window,
                         const SlabSetting &slab, const QSize &size)
{
    const SlicePlane plane = slicePlaneFor(orientation, source);
    const int centre = middleVoxel(nearestAxisOrder(source.frame), source.size)[plane.sliceAxis];
    const QImage image = greyImage(slabSamples(source, plane, centre, slab), greyTable(window, source.units));
    return fittedPicture(image, planeExtent(plane, source), size);
}
