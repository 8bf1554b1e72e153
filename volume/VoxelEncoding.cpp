#include "VoxelEncoding.h"

#include "VectorState.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include <immintrin.h>

namespace {

// The samples one row of voxels reads: the row itself and the rows on either side along y
// and z (on a border the row itself stands in for the missing neighbour).
struct RowNeighbours
{
    const uint16_t *here;
    const uint16_t *yPlus;
    const uint16_t *yMinus;
    const uint16_t *zPlus;
    const uint16_t *zMinus;
};

// Eight voxels at once, in 16-bit lanes: the differences of samples below 32768 fit them.
// An arithmetic shift rounds toward minus infinity; adding divisor - 1 to negative
// differences first makes it truncate toward zero. Then g * 8 - 32768 in 16 bits is g << 3
// with its top bit flipped.
template <int shift>
__m128i encodeNarrowDifferences(__m128i plus, __m128i minus)
{
    const __m128i difference = _mm_sub_epi16(plus, minus);
    const __m128i bias = _mm_srli_epi16(_mm_srai_epi16(difference, 15), 16 - shift);
    const __m128i gradient = _mm_srai_epi16(_mm_add_epi16(difference, bias), shift);
    return _mm_xor_si128(_mm_slli_epi16(gradient, 3), _mm_set1_epi16(INT16_MIN));
}

// Samples of 32768 and above (a caller's own, never a volume's) need 17 bits for their
// differences: each channel is widened to two vectors of 32-bit lanes, divided, encoded and
// packed back.
template <int shift>
__m128i divideTruncating(__m128i difference)
{
    const __m128i bias = _mm_srli_epi32(_mm_srai_epi32(difference, 31), 32 - shift);
    return _mm_srai_epi32(_mm_add_epi32(difference, bias), shift);
}

// g * 8 - 32768 in the low 16 bits equals the high 16 bits of (g << 19) ^ 0x80000000, which
// the arithmetic shift sign-extends so that the saturating pack keeps them exactly.
__m128i encodeGradients(__m128i low, __m128i high)
{
    const __m128i flip = _mm_set1_epi32(INT32_MIN);
    low = _mm_srai_epi32(_mm_xor_si128(_mm_slli_epi32(low, 19), flip), 16);
    high = _mm_srai_epi32(_mm_xor_si128(_mm_slli_epi32(high, 19), flip), 16);
    return _mm_packs_epi32(low, high);
}

template <int shift>
__m128i encodeWideDifferences(__m128i plus, __m128i minus)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_sub_epi32(_mm_unpacklo_epi16(plus, zero), _mm_unpacklo_epi16(minus, zero));
    const __m128i high = _mm_sub_epi32(_mm_unpackhi_epi16(plus, zero), _mm_unpackhi_epi16(minus, zero));
    return encodeGradients(divideTruncating<shift>(low), divideTruncating<shift>(high));
}

// The samples one block of voxels reads: both sides along x, y and z, and its own.
struct BlockSamples
{
    __m128i xPlus, xMinus, yPlus, yMinus, zPlus, zMinus, here;
};

BlockSamples loadBlock(const RowNeighbours &rows, int x)
{
    const auto load = [](const uint16_t *at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at)); };
    return {load(rows.here + x + 1), load(rows.here + x - 1), load(rows.yPlus + x), load(rows.yMinus + x),
            load(rows.zPlus + x),    load(rows.zMinus + x),   load(rows.here + x)};
}

bool narrowLanesHold(const BlockSamples &b)
{
    const __m128i all = _mm_or_si128(_mm_or_si128(_mm_or_si128(b.xPlus, b.xMinus), _mm_or_si128(b.yPlus, b.yMinus)),
                                     _mm_or_si128(b.zPlus, b.zMinus));
    return (_mm_movemask_epi8(all) & 0xaaaa) == 0;
}

// Encodes the interior voxels from x on in blocks of eight; returns where it stopped.
template <int yShift, int zShift>
int encodeInteriorBlocks(const RowNeighbours &rows, int x, int sizeX, uint16_t *out)
{
    for (; x + 8 < sizeX; x += 8) {
        const BlockSamples b = loadBlock(rows, x);
        __m128i gx, gy, gz;
        if (narrowLanesHold(b)) {
            gx = encodeNarrowDifferences<2>(b.xPlus, b.xMinus);
            gy = encodeNarrowDifferences<yShift>(b.yPlus, b.yMinus);
            gz = encodeNarrowDifferences<zShift>(b.zPlus, b.zMinus);
        } else {
            gx = encodeWideDifferences<2>(b.xPlus, b.xMinus);
            gy = encodeWideDifferences<yShift>(b.yPlus, b.yMinus);
            gz = encodeWideDifferences<zShift>(b.zPlus, b.zMinus);
        }
        const __m128i sample = _mm_slli_epi16(b.here, 4);
        const __m128i xyLow = _mm_unpacklo_epi16(gx, gy);
        const __m128i xyHigh = _mm_unpackhi_epi16(gx, gy);
        const __m128i zsLow = _mm_unpacklo_epi16(gz, sample);
        const __m128i zsHigh = _mm_unpackhi_epi16(gz, sample);
        __m128i *voxel = reinterpret_cast<__m128i *>(out + 4 * x);
        _mm_storeu_si128(voxel, _mm_unpacklo_epi32(xyLow, zsLow));
        _mm_storeu_si128(voxel + 1, _mm_unpackhi_epi32(xyLow, zsLow));
        _mm_storeu_si128(voxel + 2, _mm_unpacklo_epi32(xyHigh, zsHigh));
        _mm_storeu_si128(voxel + 3, _mm_unpackhi_epi32(xyHigh, zsHigh));
    }
    return x;
}

// The same sixteen voxels at a time where the processor has AVX2, which halves the work of
// the pass. The 256-bit unpacks work within each 128-bit half, so the packed gradients come
// out in order but the interleaved voxels come out as halves of two blocks of eight, which
// the final permutes put back in order. The compiler clears the upper halves where these
// functions return to SSE code.
#define DICHTENSCHAU_AVX2 __attribute__((target("avx2")))

template <int shift>
DICHTENSCHAU_AVX2 __m256i encodeNarrowDifferencesWide(__m256i plus, __m256i minus)
{
    const __m256i difference = _mm256_sub_epi16(plus, minus);
    const __m256i bias = _mm256_srli_epi16(_mm256_srai_epi16(difference, 15), 16 - shift);
    const __m256i gradient = _mm256_srai_epi16(_mm256_add_epi16(difference, bias), shift);
    return _mm256_xor_si256(_mm256_slli_epi16(gradient, 3), _mm256_set1_epi16(INT16_MIN));
}

template <int shift>
DICHTENSCHAU_AVX2 __m256i divideTruncatingWide(__m256i difference)
{
    const __m256i bias = _mm256_srli_epi32(_mm256_srai_epi32(difference, 31), 32 - shift);
    return _mm256_srai_epi32(_mm256_add_epi32(difference, bias), shift);
}

DICHTENSCHAU_AVX2 __m256i encodeGradientsWide(__m256i low, __m256i high)
{
    const __m256i flip = _mm256_set1_epi32(INT32_MIN);
    low = _mm256_srai_epi32(_mm256_xor_si256(_mm256_slli_epi32(low, 19), flip), 16);
    high = _mm256_srai_epi32(_mm256_xor_si256(_mm256_slli_epi32(high, 19), flip), 16);
    return _mm256_packs_epi32(low, high);
}

template <int shift>
DICHTENSCHAU_AVX2 __m256i encodeWideDifferencesWide(__m256i plus, __m256i minus)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_sub_epi32(_mm256_unpacklo_epi16(plus, zero), _mm256_unpacklo_epi16(minus, zero));
    const __m256i high = _mm256_sub_epi32(_mm256_unpackhi_epi16(plus, zero), _mm256_unpackhi_epi16(minus, zero));
    return encodeGradientsWide(divideTruncatingWide<shift>(low), divideTruncatingWide<shift>(high));
}

struct WideBlockSamples
{
    __m256i xPlus, xMinus, yPlus, yMinus, zPlus, zMinus, here;
};

DICHTENSCHAU_AVX2 __m256i loadWide(const uint16_t *at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
}

DICHTENSCHAU_AVX2 WideBlockSamples loadBlockWide(const RowNeighbours &rows, int x)
{
    return {loadWide(rows.here + x + 1), loadWide(rows.here + x - 1), loadWide(rows.yPlus + x), loadWide(rows.yMinus + x),
            loadWide(rows.zPlus + x),    loadWide(rows.zMinus + x),   loadWide(rows.here + x)};
}

DICHTENSCHAU_AVX2 bool narrowLanesHoldWide(const WideBlockSamples &b)
{
    const __m256i all =
        _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(b.xPlus, b.xMinus), _mm256_or_si256(b.yPlus, b.yMinus)),
                        _mm256_or_si256(b.zPlus, b.zMinus));
    return (uint32_t(_mm256_movemask_epi8(all)) & 0xaaaaaaaau) == 0;
}

template <int yShift, int zShift>
DICHTENSCHAU_AVX2 int encodeInteriorBlocksWide(const RowNeighbours &rows, int x, int sizeX, uint16_t *out)
{
    for (; x + 16 < sizeX; x += 16) {
        const WideBlockSamples b = loadBlockWide(rows, x);
        __m256i gx, gy, gz;
        if (narrowLanesHoldWide(b)) {
            gx = encodeNarrowDifferencesWide<2>(b.xPlus, b.xMinus);
            gy = encodeNarrowDifferencesWide<yShift>(b.yPlus, b.yMinus);
            gz = encodeNarrowDifferencesWide<zShift>(b.zPlus, b.zMinus);
        } else {
            gx = encodeWideDifferencesWide<2>(b.xPlus, b.xMinus);
            gy = encodeWideDifferencesWide<yShift>(b.yPlus, b.yMinus);
            gz = encodeWideDifferencesWide<zShift>(b.zPlus, b.zMinus);
        }
        const __m256i sample = _mm256_slli_epi16(b.here, 4);
        const __m256i xyLow = _mm256_unpacklo_epi16(gx, gy);
        const __m256i xyHigh = _mm256_unpackhi_epi16(gx, gy);
        const __m256i zsLow = _mm256_unpacklo_epi16(gz, sample);
        const __m256i zsHigh = _mm256_unpackhi_epi16(gz, sample);
        // Voxels 0-1 and 8-9, 2-3 and 10-11, 4-5 and 12-13, 6-7 and 14-15.
        const __m256i a = _mm256_unpacklo_epi32(xyLow, zsLow);
        const __m256i b2 = _mm256_unpackhi_epi32(xyLow, zsLow);
        const __m256i c = _mm256_unpacklo_epi32(xyHigh, zsHigh);
        const __m256i d = _mm256_unpackhi_epi32(xyHigh, zsHigh);
        __m256i *voxel = reinterpret_cast<__m256i *>(out + 4 * x);
        _mm256_storeu_si256(voxel, _mm256_permute2x128_si256(a, b2, 0x20));
        _mm256_storeu_si256(voxel + 1, _mm256_permute2x128_si256(c, d, 0x20));
        _mm256_storeu_si256(voxel + 2, _mm256_permute2x128_si256(a, b2, 0x31));
        _mm256_storeu_si256(voxel + 3, _mm256_permute2x128_si256(c, d, 0x31));
    }
    return x;
}

// The divisors are template parameters so that a row's inner loop holds no branch and no
// division instruction: only the two ends of a row take the one-sided x difference.
template <int yDivisor, int zDivisor>
void encodeRow(const RowNeighbours &rows, int sizeX, uint16_t *out, EncodingKernel kernel)
{
    const auto encodeVoxel = [&](int x, int gradientX) {
        uint16_t *voxel = out + 4 * x;
        voxel[0] = encodeGradient(gradientX);
        voxel[1] = encodeGradient((int(rows.yPlus[x]) - int(rows.yMinus[x])) / yDivisor);
        voxel[2] = encodeGradient((int(rows.zPlus[x]) - int(rows.zMinus[x])) / zDivisor);
        voxel[3] = encodeSample(rows.here[x]);
    };
    const uint16_t *s = rows.here;
    encodeVoxel(0, (int(s[1]) - int(s[0])) / 2);
    int x = 1;
    if (kernel == EncodingKernel::avx2)
        x = encodeInteriorBlocksWide<yDivisor / 2, zDivisor / 2>(rows, x, sizeX, out);
    if (kernel != EncodingKernel::plain)
        x = encodeInteriorBlocks<yDivisor / 2, zDivisor / 2>(rows, x, sizeX, out);
    for (; x < sizeX - 1; ++x)
        encodeVoxel(x, (int(s[x + 1]) - int(s[x - 1])) / 4);
    encodeVoxel(sizeX - 1, (int(s[sizeX - 1]) - int(s[sizeX - 2])) / 2);
}

void encodeRowWithDivisors(const RowNeighbours &rows, bool yBorder, bool zBorder, int sizeX, uint16_t *out,
                           EncodingKernel kernel)
{
    if (yBorder)
        zBorder ? encodeRow<2, 2>(rows, sizeX, out, kernel) : encodeRow<2, 4>(rows, sizeX, out, kernel);
    else
        zBorder ? encodeRow<4, 2>(rows, sizeX, out, kernel) : encodeRow<4, 4>(rows, sizeX, out, kernel);
}

// The neighbour index along an axis of `size` samples, and whether the difference is
// one-sided (a border, divided by 2) rather than central (divided by 4).
struct AxisNeighbours
{
    int plus;
    int minus;
    bool border;
};

AxisNeighbours axisNeighbours(int i, int size)
{
    if (size == 1)
        return {0, 0, true};
    if (i == 0)
        return {1, 0, true};
    if (i == size - 1)
        return {i, i - 1, true};
    return {i + 1, i - 1, false};
}

// Encodes the slices firstZ..endZ - 1 of the slab that begins with slice slabZ and whose
// voxels start at `slab`.
void encodeSlices(const uint16_t *samples, const SampleGrid &grid, uint16_t *slab, int slabZ, int firstZ, int endZ,
                  EncodingKernel kernel)
{
    const std::size_t sliceSize = std::size_t(grid.sliceSize());
    for (int z = firstZ; z < endZ; ++z) {
        const AxisNeighbours alongZ = axisNeighbours(z, grid.sizeZ);
        uint16_t *sliceVoxels = slab + 4 * std::size_t(z - slabZ) * sliceSize;
        for (int y = 0; y < grid.sizeY; ++y) {
            const AxisNeighbours alongY = axisNeighbours(y, grid.sizeY);
            const std::size_t rowInSlice = std::size_t(y) * grid.sizeX;
            const RowNeighbours rows{
                samples + std::size_t(z) * sliceSize + rowInSlice,
                samples + std::size_t(z) * sliceSize + std::size_t(alongY.plus) * grid.sizeX,
                samples + std::size_t(z) * sliceSize + std::size_t(alongY.minus) * grid.sizeX,
                samples + std::size_t(alongZ.plus) * sliceSize + rowInSlice,
                samples + std::size_t(alongZ.minus) * sliceSize + rowInSlice,
            };
            encodeRowWithDivisors(rows, alongY.border, alongZ.border, grid.sizeX, sliceVoxels + 4 * rowInSlice, kernel);
        }
    }
}

} // namespace

EncodingKernel widestEncodingKernel()
{
    static const EncodingKernel widest = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? EncodingKernel::avx2 : EncodingKernel::sse2;
    }();
    return widest;
}

bool processorRuns(EncodingKernel kernel)
{
    return kernel != EncodingKernel::avx2 || widestEncodingKernel() == EncodingKernel::avx2;
}

int gradientThreadCount(const SampleGrid &grid)
{
    constexpr int64_t voxelsPerThread = 1 << 20;
    const int64_t byWork = std::max<int64_t>(1, grid.voxelCount() / voxelsPerThread);
    const int cores = std::max(1, int(std::thread::hardware_concurrency()));
    return int(std::min<int64_t>({cores, byWork, std::max(1, grid.sizeZ)}));
}

void encodeVoxels(const uint16_t *samples, const SampleGrid &grid, uint16_t *voxels, int threadCount)
{
    encodeVoxelSlab(samples, grid, 0, grid.sizeZ, voxels, threadCount);
}

void encodeVoxelSlab(const uint16_t *samples, const SampleGrid &grid, int firstZ, int endZ, uint16_t *voxels,
                     int threadCount, EncodingKernel kernel)
{
    // The slices are handed out a few at a time to whichever thread is free, not split in
    // equal shares up front: on a busy machine one core may run at half speed, and a fixed
    // share would keep every other thread waiting for it.
    const int slices = endZ - firstZ;
    threadCount = std::clamp(threadCount, 1, std::max(1, slices));
    const int slicesPerChunk = std::max(1, slices / (threadCount * 8));
    std::atomic<int> nextSlice{firstZ};
    const auto encodeChunks = [&] {
        clearUpperVectorHalves();
        for (int first = nextSlice.fetch_add(slicesPerChunk); first < endZ; first = nextSlice.fetch_add(slicesPerChunk))
            encodeSlices(samples, grid, voxels, firstZ, first, std::min(first + slicesPerChunk, endZ), kernel);
    };
    std::vector<std::thread> helpers;
    try {
        for (int helper = 1; helper < threadCount; ++helper)
            helpers.emplace_back(encodeChunks);
    } catch (const std::system_error &) {
        // Fewer threads to be had: those there are share the work.
    }
    encodeChunks();
    for (std::thread &helper : helpers)
        helper.join();
}
