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
