#pragma once

#include <cstdint>

// The volume's big arrays of 16-bit values (samples, voxels). A freshly allocated page costs
// a fault when it is first written, and with 4 KiB pages those faults, not the work, dominate
// the time to open a large volume; so the arrays ask for transparent huge pages where the
// kernel offers them on request. Released with releaseLargeBuffer only.
uint16_t *allocateLargeBuffer(int64_t count);
void releaseLargeBuffer(uint16_t *&buffer);
