#pragma once

// What the viewer's 12-bit samples stand for in the units the source stored: a source value v
// became the sample v * scale + offset (rounded and clipped to 0..maxSample), so a sample s
// stands for (s - offset) / scale. For CT in Hounsfield units the sample is HU + 1024.
struct SampleUnits
{
    double scale = 1.0;
    double offset = 0.0;
    // The values are Hounsfield units: the source says CT, or the values fit HU.
    bool hounsfield = false;

    double valueOf(double sample) const { return (sample - offset) / scale; }

    friend bool operator==(const SampleUnits &a, const SampleUnits &b)
    {
        return a.scale == b.scale && a.offset == b.offset && a.hounsfield == b.hounsfield;
    }
};
