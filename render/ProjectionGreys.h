#pragma once

#include "SampleLimits.h"
#include "SampleUnits.h"

// The window a projection's value is shown through, in 12-bit samples: low and below
// black, high and above white, linear between, as the 2-D views map their window.
struct ProjectionGreys
{
    float low = 0.0f;
    float high = float(maxSample);

    bool operator==(const ProjectionGreys &other) const { return low == other.low && high == other.high; }

    // The window from lowValue to highValue in the source's own units (HU for CT).
    static ProjectionGreys between(double lowValue, double highValue, const SampleUnits &units)
    {
        return {float(lowValue * units.scale + units.offset), float(highValue * units.scale + units.offset)};
    }
};
