#include "RobustRange.h"

#include <algorithm>
#include <cmath>

namespace {

double valueAt(std::vector<double> &values, size_t index)
{
    std::nth_element(values.begin(), values.begin() + long(index), values.end());
    return values[index];
}

} // namespace

ValueRange robustRange(std::vector<double> values, double lowFraction, double highFraction)
{
    const double last = double(values.size() - 1);
    const size_t lowIndex = size_t(std::floor(lowFraction * last));
    const size_t highIndex = size_t(std::ceil(highFraction * last));
    ValueRange range;
    range.low = valueAt(values, lowIndex);
    range.high = valueAt(values, highIndex);
    return range;
}
