#pragma once

#include <cstdint>
#include <vector>

// A fine histogram (65536 bins) of the finite values between a known minimum and maximum,
// for robust ranges: the values between two fractions of the population, so that a few
// outliers (a hot pixel, a marker of -1e30) do not squeeze the rest into a few levels.
class ValueHistogram
{
public:
    ValueHistogram(double min, double max);

    void add(double value);

    // The lower edge of the bin that holds the value below which `fraction` of all values
    // lie, and the upper edge of that bin; both within min..max.
    double lowerBound(double fraction) const;
    double upperBound(double fraction) const;

private:
    int binOf(double fraction) const;
    double edge(int bin) const;

    double lowest;
    double highest;
    double binWidth;
    std::vector<uint64_t> bins;
    uint64_t total = 0;
};
