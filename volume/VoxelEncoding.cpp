#include "VoxelEncoding.h"


#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <immintrin.h>
#endif

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

#ifdef __SSE2__
// Other code in the process (the GL driver's, the toolkit's) may leave the upper halves of
// the AVX registers in use, and a thread inherits that state from the one that starts it;
// then every SSE instruction of the kernel below, which is not AVX-encoded, pays for a
// state transition, and the pass takes more than twice as long. Clearing them first avoids it.
__attribute__((target("avx"))) void clearUpperVectorHalves()
{
    _mm256_zeroupper();
}

// Eight voxels at once: the differences of 16-bit samples need 17 bits, so each channel is
// widened to two vectors of 32-bit lanes, divided, encoded and packed back.
template <int shift>
__m128i divideTruncating(__m128i difference)
{
    // An arithmetic shift rounds toward minus infinity; adding divisor - 1 to negative
    // differences first makes it truncate toward zero.
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
__m128i encodeDifferences(const uint16_t *plus, const uint16_t *minus)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i *>(plus));
    const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i *>(minus));
    const __m128i low = _mm_sub_epi32(_mm_unpacklo_epi16(p, zero), _mm_unpacklo_epi16(m, zero));
    const __m128i high = _mm_sub_epi32(_mm_unpackhi_epi16(p, zero), _mm_unpackhi_epi16(m, zero));
    return encodeGradients(divideTruncating<shift>(low), divideTruncating<shift>(high));
}

// Encodes the interior voxels from x on in blocks of eight; returns where it stopped.
template <int yShift, int zShift>
int encodeInteriorBlocks(const RowNeighbours &rows, int x, int sizeX, uint16_t *out)
{
    for (; x + 8 < sizeX; x += 8) {
        const __m128i gx = encodeDifferences<2>(rows.here + x + 1, rows.here + x - 1);
        const __m128i gy = encodeDifferences<yShift>(rows.yPlus + x, rows.yMinus + x);
        const __m128i gz = encodeDifferences<zShift>(rows.zPlus + x, rows.zMinus + x);
        const __m128i sample = _mm_slli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(rows.here + x)), 4);
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
// the final permutes put back in order.
#define DICHTENSCHAU_AVX2 __attribute__((target("avx2")))

bool hasAvx2()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return bool(__builtin_cpu_supports("avx2"));
    }();
    return available;
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
DICHTENSCHAU_AVX2 __m256i encodeDifferencesWide(const uint16_t *plus, const uint16_t *minus)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(plus));
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(minus));
    const __m256i low = _mm256_sub_epi32(_mm256_unpacklo_epi16(p, zero), _mm256_unpacklo_epi16(m, zero));
    const __m256i high = _mm256_sub_epi32(_mm256_unpackhi_epi16(p, zero), _mm256_unpackhi_epi16(m, zero));
    return encodeGradientsWide(divideTruncatingWide<shift>(low), divideTruncatingWide<shift>(high));
}

template <int yShift, int zShift>
DICHTENSCHAU_AVX2 int encodeInteriorBlocksWide(const RowNeighbours &rows, int x, int sizeX, uint16_t *out)
{
    for (; x + 16 < sizeX; x += 16) {
        const __m256i gx = encodeDifferencesWide<2>(rows.here + x + 1, rows.here + x - 1);
        const __m256i gy = encodeDifferencesWide<yShift>(rows.yPlus + x, rows.yMinus + x);
        const __m256i gz = encodeDifferencesWide<zShift>(rows.zPlus + x, rows.zMinus + x);
        const __m256i sample =
            _mm256_slli_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(rows.here + x)), 4);
        const __m256i xyLow = _mm256_unpacklo_epi16(gx, gy);
        const __m256i xyHigh = _mm256_unpackhi_epi16(gx, gy);
        const __m256i zsLow = _mm256_unpacklo_epi16(gz, sample);
        const __m256i zsHigh = _mm256_unpackhi_epi16(gz, sample);
        // Voxels 0-1 and 8-9, 2-3 and 10-11, 4-5 and 12-13, 6-7 and 14-15.
        const __m256i a = _mm256_unpacklo_epi32(xyLow, zsLow);
        const __m256i b = _mm256_unpackhi_epi32(xyLow, zsLow);
        const __m256i c = _mm256_unpacklo_epi32(xyHigh, zsHigh);
        const __m256i d = _mm256_unpackhi_epi32(xyHigh, zsHigh);
        __m256i *voxel = reinterpret_cast<__m256i *>(out + 4 * x);
        _mm256_storeu_si256(voxel, _mm256_permute2x128_si256(a, b, 0x20));
        _mm256_storeu_si256(voxel + 1, _mm256_permute2x128_si256(c, d, 0x20));
        _mm256_storeu_si256(voxel + 2, _mm256_permute2x128_si256(a, b, 0x31));
        _mm256_storeu_si256(voxel + 3, _mm256_permute2x128_si256(c, d, 0x31));
    }
    return x;
}
#endif

// The divisors are template parameters so that a row's inner loop holds no branch and no
// division instruction: only the two ends of a row take the one-sided x difference.
template <int yDivisor, int zDivisor>
void encodeRow(const RowNeighbours &rows, int sizeX, uint16_t *out)
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
#ifdef __SSE2__
    if (hasAvx2())
        x = encodeInteriorBlocksWide<yDivisor / 2, zDivisor / 2>(rows, x, sizeX, out);
    x = encodeInteriorBlocks<yDivisor / 2, zDivisor / 2>(rows, x, sizeX, out);
#endif
    for (; x < sizeX - 1; ++x)
        encodeVoxel(x, (int(s[x + 1]) - int(s[x - 1])) / 4);
    encodeVoxel(sizeX - 1, (int(s[sizeX - 1]) - int(s[sizeX - 2])) / 2);
}

void encodeRowWithDivisors(const RowNeighbours &rows, bool yBorder, bool zBorder, int sizeX, uint16_t *out)
{
    if (yBorder)
        zBorder ? encodeRow<2, 2>(rows, sizeX, out) : encodeRow<2, 4>(rows, sizeX, out);
    else
        zBorder ? encodeRow<4, 2>(rows, sizeX, out) : encodeRow<4, 4>(rows, sizeX, out);
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
void encodeSlices(const uint16_t *samples, const SampleGrid &grid, uint16_t *slab, int slabZ, int firstZ, int endZ)
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
            encodeRowWithDivisors(rows, alongY.border, alongZ.border, grid.sizeX, sliceVoxels + 4 * rowInSlice);
        }
    }
}

} // namespace

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
                     int threadCount)
{
    // The slices are handed out a few at a time to whichever thread is free, not split in
    // equal shares up front: on a busy machine one core may run at half speed, and a fixed
    // share would keep every other thread waiting for it.
    const int slices = endZ - firstZ;
    threadCount = std::clamp(threadCount, 1, std::max(1, slices));
    const int slicesPerChunk = std::max(1, slices / (threadCount * 8));
    std::atomic<int> nextSlice{firstZ};
    const auto encodeChunks = [&] {
#ifdef __SSE2__
        if (__builtin_cpu_supports("avx"))
            clearUpperVectorHalves();
#endif
        for (int first = nextSlice.fetch_add(slicesPerChunk); first < endZ; first = nextSlice.fetch_add(slicesPerChunk))
            encodeSlices(samples, grid, voxels, firstZ, first, std::min(first + slicesPerChunk, endZ));
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
