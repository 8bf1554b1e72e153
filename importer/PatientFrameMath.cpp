#include "PatientFrameMath.h"

#include <algorithm>
#include <cmath>

namespace PatientFrameMath {

Vector cross(const Vector &a, const Vector &b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

bool normalizeAxes(PatientFrame *frame)
{
    for (Vector &axis : frame->axes) {
        const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        if (!std::isfinite(length) || length <= 0.0)
            return false;
        for (double &component : axis)
            component /= length;
    }
    return true;
}

Vector rasToLps(const Vector &ras)
{
    return {-ras[0], -ras[1], ras[2]};
}

double obliqueDegrees(const PatientFrame &frame)
{
    constexpr double degreesPerRadian = 57.29577951308232;
    double worst = 0.0;
    for (const Vector &axis : frame.axes) {
        const double nearest = std::max({std::abs(axis[0]), std::abs(axis[1]), std::abs(axis[2])});
        worst = std::max(worst, std::acos(std::min(nearest, 1.0)) * degreesPerRadian);
    }
    return worst;
}

} // namespace PatientFrameMath
