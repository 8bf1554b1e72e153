#include "CropBox.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Bricks this close to the box (in texture units) count as touching it: the ray program's
// clipping and sample positions carry float rounding, far smaller than this.
constexpr float touchMargin = 1e-3f;

float clampedBound(float bound, float face)
{
    return std::isnan(bound) ? face : std::clamp(bound, 0.0f, 1.0f);
}

} // namespace

CropBox normalizedCropBox(const CropBox &box)
{
    CropBox result;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        float low = clampedBound(box[2 * axis], 0.0f);
        float high = clampedBound(box[2 * axis + 1], 1.0f);
        if (low > high)
            std::swap(low, high);
        result[2 * axis] = low;
        result[2 * axis + 1] = high;
    }
    return result;
}

CropBounds rayCropBounds(const CropBox &box)
{
    CropBounds bounds;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        bounds.low[axis] = box[2 * axis] > 0.0f ? box[2 * axis] : -1.0f;
        bounds.high[axis] = box[2 * axis + 1] < 1.0f ? box[2 * axis + 1] : 2.0f;
    }
    return bounds;
}

bool brickOutsideCrop(const CropBox &box, const std::array<int, 3> &brick, int brickSize,
                      const std::array<int, 3> &volumeSize)
{
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const float size = float(std::max(volumeSize[axis], 1));
        const float start = float(brick[axis] * brickSize) / size;
        const float end = float((brick[axis] + 1) * brickSize) / size;
        if (end < box[2 * axis] - touchMargin || start > box[2 * axis + 1] + touchMargin)
            return true;
    }
    return false;
}
