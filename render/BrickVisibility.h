#pragma once

#include <cstdint>
#include <vector>

class BrickRanges;

// Which bricks of a volume a transfer table lets contribute to the picture: a brick whose
// every value, and the value on either side of its range (a filtered lookup of the transfer
// texture may lean on its neighbour entry), has alpha 0 adds nothing to any ray and can be
// skipped. One byte per brick, in the order of BrickRanges, 255 where the brick is visible.
// The table holds transferTableSize words 0xAARRGGBB.
void computeBrickVisibility(const BrickRanges &ranges, const uint32_t *table, std::vector<uint8_t> &visible);
