#pragma once

#include <cstdint>

// The reader program's bound on its own address space: at first what the program takes when
// it starts plus a margin for reading headers, then, once a reader announces the grid its
// header declares, what that grid needs besides. A file that makes a library allocate far
// beyond what it declares is refused for want of memory, or ends the process.
//
// The sanitizer reserves terabytes of address space for its shadow memory: under it the
// limit stays off.
class AddressSpaceLimit
{
public:
    AddressSpaceLimit();

    // The samples of a declared grid: as stored in the values file, once more in a library's
    // own buffers, and room for a conversion of two bytes each on the way.
    void allowGrid(uint64_t samples, int bytesPerSample);

private:
    void allowAtLeast(uint64_t bytes);

    uint64_t base = 0;
    uint64_t allowed = 0;
};
