#pragma once

#include <cstdint>

// The transfer table as the 1D texture that both programs read on unit 1: transferTableSize
// texels of four bytes, linear filtering, clamped to the edge. The table's 32-bit words
// 0xAARRGGBB lie in memory as blue, green, red, alpha; read as RGBA bytes, texel i carries
// the editor's blue in red and its red in blue, and the shaders swap them back.

// Replaces texture (0 for none yet) by a new texture made from the table, in the current
// context; the new one stays bound on unit 1, and the active unit is left as it was.
void uploadTransferTable(unsigned int &texture, const uint32_t *table);
