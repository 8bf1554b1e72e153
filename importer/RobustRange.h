#pragma once

#include <vector>

// The share of a population of values that a linear mapping should spread over 0..4095:
// from the value at lowFraction of the sorted values to the one at highFraction, so that
// a few outliers (a hot pixel, a fill value of -1e30) do not squeeze the rest into a few
// levels. Exact on the values given; callers pass a sample of a large volume.
struct ValueRange
{
    double low = 0.0;
    double high = 0.0;
};

// `values` must be finite and not empty.
ValueRange robustRange(std::vector<double> values, double lowFraction, double highFraction);
