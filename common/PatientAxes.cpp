#include "PatientAxes.h"

#include <cmath>

namespace {

// The frame's axes scaled to unit length; false where one of them has no usable direction.
bool unitAxes(const PatientFrame &frame, std::array<std::array<double, 3>, 3> &unit)
{
    for (int a = 0; a < 3; ++a) {
        const auto &v = frame.axes[a];
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!std::isfinite(length) || length < 1e-9)
            return false;
        for (int p = 0; p < 3; ++p)
            unit[a][p] = v[p] / length;
    }
    return true;
}

// Pairs voxel axes with patient axes greedily, the most aligned pair first, so that two
// voxel axes never claim the same patient axis even when a grid is turned by 45 degrees.
bool pairAxes(const std::array<std::array<double, 3>, 3> &unit, AxisOrder &order)
{
    bool voxelTaken[3] = {false, false, false};
    bool patientTaken[3] = {false, false, false};
    for (int round = 0; round < 3; ++round) {
        int bestVoxel = -1, bestPatient = -1;
        double best = -1.0;
        for (int a = 0; a < 3; ++a)
            for (int p = 0; p < 3; ++p)
                if (!voxelTaken[a] && !patientTaken[p] && std::fabs(unit[a][p]) > best) {
                    best = std::fabs(unit[a][p]);
                    bestVoxel = a;
                    bestPatient = p;
                }
        if (best <= 0.0)
            return false;
        voxelTaken[bestVoxel] = patientTaken[bestPatient] = true;
        order.voxelAxis[bestPatient] = bestVoxel;
        order.sign[bestPatient] = unit[bestVoxel][bestPatient] > 0 ? 1 : -1;
    }
    return true;
}

} // namespace

AxisOrder nearestAxisOrder(const PatientFrame &frame)
{
    std::array<std::array<double, 3>, 3> unit;
    AxisOrder order;
    if (!frame.known || !unitAxes(frame, unit) || !pairAxes(unit, order))
        return AxisOrder();
    return order;
}

char patientLetter(int patientAxis, int direction)
{
    static const char towardsPlus[3] = {'L', 'P', 'S'};
    static const char towardsMinus[3] = {'R', 'A', 'I'};
    return direction > 0 ? towardsPlus[patientAxis] : towardsMinus[patientAxis];
}

std::array<double, 6> voxelCropBox(const std::array<double, 6> &patientCrop, const AxisOrder &order)
{
    std::array<double, 6> voxelCrop{0, 1, 0, 1, 0, 1};
    for (int p = 0; p < 3; ++p) {
        const int a = order.voxelAxis[p];
        const double lo = patientCrop[2 * p], hi = patientCrop[2 * p + 1];
        voxelCrop[2 * a] = order.sign[p] > 0 ? lo : 1.0 - hi;
        voxelCrop[2 * a + 1] = order.sign[p] > 0 ? hi : 1.0 - lo;
    }
    return voxelCrop;
}
