#pragma once

#include <cstdint>

// What the default value mapping needs to know of a volume's values, gathered in one pass:
// the range of the finite values and whether they are all whole numbers. NaN and
// infinities do not count.
class ValueStats
{
public:
    void add(double value);
    // Adds `count` whole numbers that span low..high.
    void addWholeRange(double low, double high, uint64_t count);

    uint64_t finiteCount() const { return count; }
    double min() const { return lowest; }
    double max() const { return highest; }
    bool allIntegral() const { return integral; }

private:
    uint64_t count = 0;
    double lowest = 0.0;
    double highest = 0.0;
    bool integral = true;
};
