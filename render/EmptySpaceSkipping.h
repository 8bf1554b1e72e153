#pragma once

#include "CropBox.h"

#include <array>
#include <cstdint>
#include <vector>

class BrickRanges;
struct ShownGrid;

// What lets rays step over empty space: per brick of the volume, whether the transfer table
// lets it contribute (computeBrickVisibility), kept as a 3D texture of one byte per brick
// with nearest filtering, which the ray program reads on unit 3 once per brick it enters.
// Bricks wholly outside the crop box count as transparent. Recomputed at the first frame
// after the volume, the table or the crop box changed; where every brick inside the crop
// box is visible, or the rays take fewer than two samples per brick, they do not look
// bricks up at all. The picture is the same either way.
class EmptySpaceSkipping
{
public:
    // Whether rays skip the transparent bricks (on by default).
    void setEnabled(bool on) { enabled = on; }
    // The volume, the table or the crop box changed, or the context is new: the next update
    // recomputes.
    void markStale() { stale = true; }

    // Recomputes the visibility and uploads it where it is stale, in the current context;
    // leaves the GL state as it found it. The bricks cover the grid's texels, the crop box
    // its own voxels.
    void update(const BrickRanges &bricks, const ShownGrid &grid, const uint32_t *table, const CropBox &crop);
    unsigned int texture() const { return brickTexture; }
    // Sets the ray program's brickCount, bricksPerUnit and skipEmpty for rays of `steps`
    // samples over the box's diagonal; the program must be current.
    void setUniforms(unsigned int program, int steps) const;

    // Deletes the texture in the current context; the next update makes a new one.
    void release();

private:
    bool paysAt(int steps) const;
    void hideBricksOutside(const CropBox &textureCrop);
    void upload();

    unsigned int brickTexture = 0;
    std::vector<uint8_t> brickVisibility;
    std::array<int, 3> brickCounts{0, 0, 0};
    std::array<int, 3> texelCounts{1, 1, 1};
    bool stale = true;
    bool anyBrickHidden = false;
    bool enabled = true;
};
