#include "OriginalValues.h"

#include <cstring>

bool operator==(const OriginalValues &a, const OriginalValues &b)
{
    if (a.valueType != b.valueType || a.valueCount != b.valueCount)
        return false;
    return a.valueCount == 0 || std::memcmp(a.bytes(), b.bytes(), a.valueCount * uint64_t(sampleTypeSize(a.valueType))) == 0;
}
