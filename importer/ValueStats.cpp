#include "ValueStats.h"

#include <cmath>

void ValueStats::add(double value)
{
    if (!std::isfinite(value))
        return;
    if (count == 0 || value < lowest)
        lowest = value;
    if (count == 0 || value > highest)
        highest = value;
    if (integral && value != std::floor(value))
        integral = false;
    ++count;
}

void ValueStats::addWholeRange(double low, double high, uint64_t count)
{
    if (count == 0)
        return;
    if (this->count == 0 || low < lowest)
        lowest = low;
    if (this->count == 0 || high > highest)
        highest = high;
    this->count += count;
}
