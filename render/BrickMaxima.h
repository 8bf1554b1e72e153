#pragma once

#include "CropBox.h"

#include <array>
#include <cstdint>
#include <vector>

class BrickRanges;
struct ShownGrid;

// What lets a maximum intensity projection step over bricks: the largest sample each brick
// can give a filtered ray sample (BrickRanges), 0 for the bricks wholly outside the crop
// box, kept as a 3D texture of one 16-bit texel per brick, stored as the volume texture
// stores its samples (sample * sampleScale), with nearest filtering. A ray steps over a
// brick whose maximum lies no higher than both its own maximum so far and the window's low
// end: such a brick adds nothing to the picture. Recomputed at the first frame after the
// volume or the crop box changed.
class BrickMaxima
{
public:
    void markStale() { stale = true; }
    // Recomputes and uploads where stale, in the current context, on unit 3; leaves the GL
    // state as it found it.
    void update(const BrickRanges &bricks, const ShownGrid &grid, const CropBox &crop);
    unsigned int texture() const { return maximaTexture; }
    // Sets the projection program's brickCount and bricksPerUnit; the program must be current.
    void setUniforms(unsigned int program) const;
    void release();

private:
    void upload();

    unsigned int maximaTexture = 0;
    std::vector<uint16_t> maxima;
    std::array<int, 3> brickCounts{0, 0, 0};
    std::array<int, 3> texelCounts{1, 1, 1};
    bool stale = true;
};
