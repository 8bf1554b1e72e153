#include "BrickRanges.h"

#include <algorithm>

#include <utility>

#include <immintrin.h>

namespace {

int bricksOver(int voxels)
{
    return (voxels + BrickRanges::brickSize - 1) / BrickRanges::brickSize;
}

// Voxels first..last along an axis of `size` voxels reach brick `brick`: its own and one
// beyond each side, within the grid.
int firstVoxelOf(int brick)
{
    return std::max(0, brick * BrickRanges::brickSize - 1);
}

int lastVoxelOf(int brick, int size)
{
    return std::min(size - 1, (brick + 1) * BrickRanges::brickSize);
}

// Folds a row into the running element-wise minima and maxima. SSE2 has no unsigned 16-bit
// minimum or maximum; a saturating difference gives both.
void foldRow(uint16_t *low, uint16_t *high, const uint16_t *row, int count)
{
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x));
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i *>(low + x));
        const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i *>(high + x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(low + x), _mm_sub_epi16(l, _mm_subs_epu16(l, r)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(high + x), _mm_add_epi16(r, _mm_subs_epu16(h, r)));
    }
    for (; x < count; ++x) {
        low[x] = std::min(low[x], row[x]);
        high[x] = std::max(high[x], row[x]);
    }
}

// The same sixteen at a time, where the processor has AVX2 and its unsigned minimum and maximum.
__attribute__((target("avx2"))) void foldRowWide(uint16_t *low, uint16_t *high, const uint16_t *row, int count)
{
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i r = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + x));
        const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(low + x));
        const __m256i h = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(high + x));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(low + x), _mm256_min_epu16(l, r));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(high + x), _mm256_max_epu16(h, r));
    }
    for (; x < count; ++x) {
        low[x] = std::min(low[x], row[x]);
        high[x] = std::max(high[x], row[x]);
    }
}

// The least of the sixteen minima and the greatest of the sixteen maxima from the given
// places on, by SSE4.1's horizontal minimum (the greatest is the least of the complements).
__attribute__((target("sse4.1"))) std::pair<uint16_t, uint16_t> rangeOfSixteen(const uint16_t *low,
                                                                               const uint16_t *high)
{
    const auto load = [](const uint16_t *at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at)); };
    const __m128i l = _mm_min_epu16(load(low), load(low + 8));
    const __m128i h = _mm_max_epu16(load(high), load(high + 8));
    const __m128i complement = _mm_xor_si128(h, _mm_set1_epi32(-1));
    return {uint16_t(_mm_cvtsi128_si32(_mm_minpos_epu16(l))), uint16_t(~_mm_cvtsi128_si32(_mm_minpos_epu16(complement)))};
}

struct VectorKernels
{
    bool avx2 = false;
    bool sse41 = false;
};

const VectorKernels &processorKernels()
{
    static const VectorKernels kernels = [] {
        __builtin_cpu_init();
        return VectorKernels{bool(__builtin_cpu_supports("avx2")), bool(__builtin_cpu_supports("sse4.1"))};
    }();
    return kernels;
}

// The range of the minima and maxima first..last.
std::pair<uint16_t, uint16_t> rangeOf(const uint16_t *low, const uint16_t *high, int first, int last)
{
    return {*std::min_element(low + first, low + last + 1), *std::max_element(high + first, high + last + 1)};
}

// The range of brick bx's stretch firstX..lastX: its sixteen own columns at once where the
// processor can, and the one beyond on either side on their own.
std::pair<uint16_t, uint16_t> brickStretchRange(const uint16_t *low, const uint16_t *high, int bx, int firstX,
                                                int lastX)
{
    const int own = bx * BrickRanges::brickSize;
    if (!processorKernels().sse41 || own + BrickRanges::brickSize - 1 > lastX)
        return rangeOf(low, high, firstX, lastX);
    std::pair<uint16_t, uint16_t> range = rangeOfSixteen(low + own, high + own);
    for (int x : {firstX, lastX}) {
        range.first = std::min(range.first, low[x]);
        range.second = std::max(range.second, high[x]);
    }
    return range;
}

} // namespace

BrickRanges::BrickRanges(int sizeX, int sizeY, int sizeZ)
    : sizes{sizeX, sizeY, sizeZ}, counts{bricksOver(sizeX), bricksOver(sizeY), bricksOver(sizeZ)}
{
    if (sizeX <= 0 || sizeY <= 0 || sizeZ <= 0)
        sizes = counts = {0, 0, 0};
    minima.assign(size_t(brickCount()), UINT16_MAX);
    maxima.assign(size_t(brickCount()), 0);
}

BrickRanges BrickRanges::ofSamples(const uint16_t *samples, int sizeX, int sizeY, int sizeZ)
{
    BrickRanges ranges(sizeX, sizeY, sizeZ);
    ranges.addSlab(samples, 0, ranges.sizes[2]);
    return ranges;
}

void BrickRanges::addSlab(const uint16_t *slabSamples, int firstZ, int sliceCount)
{
    const size_t sliceSize = size_t(sizes[0]) * size_t(sizes[1]);
    for (int i = 0; i < sliceCount; ++i)
        addSlice(slabSamples + size_t(i) * sliceSize, firstZ + i);
}

// Folds the rows reaching each row of bricks into one row, element by element, then each such row's stretches into the bricks of the slice, which go into
// the one or two bricks along z that the slice reaches.
void BrickRanges::addSlice(const uint16_t *slice, int z)
{
    if (z < 0 || z >= sizes[2])
        return;
    const int sizeX = sizes[0];
    rowMinima.resize(size_t(sizeX));
    rowMaxima.resize(size_t(sizeX));
    const int firstBrickZ = std::max(0, (z + brickSize - 1) / brickSize - 1);
    const int lastBrickZ = std::min(counts[2] - 1, (z + 1) / brickSize);
    for (int by = 0; by < counts[1]; ++by) {
        const int firstY = firstVoxelOf(by), lastY = lastVoxelOf(by, sizes[1]);
        std::copy_n(slice + size_t(firstY) * size_t(sizeX), sizeX, rowMinima.begin());
        std::copy_n(slice + size_t(firstY) * size_t(sizeX), sizeX, rowMaxima.begin());
        const auto fold = processorKernels().avx2 ? foldRowWide : foldRow;
        for (int y = firstY + 1; y <= lastY; ++y)
            fold(rowMinima.data(), rowMaxima.data(), slice + size_t(y) * size_t(sizeX), sizeX);
        for (int bx = 0; bx < counts[0]; ++bx) {
            const auto [low, high] =
                brickStretchRange(rowMinima.data(), rowMaxima.data(), bx, firstVoxelOf(bx), lastVoxelOf(bx, sizeX));
            for (int bz = firstBrickZ; bz <= lastBrickZ; ++bz) {
                const size_t brick = size_t(bx) + size_t(counts[0]) * (size_t(by) + size_t(counts[1]) * size_t(bz));
                minima[brick] = std::min(minima[brick], low);
                maxima[brick] = std::max(maxima[brick], high);
            }
        }
    }
}
