#include "PatientBox.h"

#include "PatientAxes.h"

#include <cmath>

namespace {

// Patient axes in the model: left is +x, back is -z (the front faces the viewer), head is -y.
constexpr int modelAxisOfPatient[3] = {0, 2, 1};
constexpr int modelSignOfPatient[3] = {1, -1, -1};

std::array<double, 3> turned(std::array<double, 3> v, int xRotation, int yRotation, int zRotation)
{
    // The view applies the x turn, then y, then z to the model: the model's vectors meet z first.
    const auto rotate = [&v](int angle, int a, int b) {
        const double r = angle / 16.0 * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
        const double va = v[a], vb = v[b];
        v[a] = c * va - s * vb;
        v[b] = s * va + c * vb;
    };
    rotate(zRotation, 0, 1);
    rotate(yRotation, 2, 0);
    rotate(xRotation, 1, 2);
    return v;
}

std::array<double, 3> modelDirectionOf(int patientAxis)
{
    std::array<double, 3> v{0, 0, 0};
    v[modelAxisOfPatient[patientAxis]] = modelSignOfPatient[patientAxis];
    return v;
}

} // namespace

bool BoxAxes::mirrors() const
{
    // The determinant: the parity of the permutation times the signs.
    const bool even = modelAxis == std::array<int, 3>{0, 1, 2} || modelAxis == std::array<int, 3>{1, 2, 0}
                      || modelAxis == std::array<int, 3>{2, 0, 1};
    return (even ? 1 : -1) * sign[0] * sign[1] * sign[2] < 0;
}

std::array<float, 16> BoxAxes::matrix() const
{
    std::array<float, 16> m{};
    for (int a = 0; a < 3; ++a)
        m[4 * a + modelAxis[a]] = float(sign[a]);
    m[15] = 1.0f;
    return m;
}

BoxAxes boxAxesFor(const PatientFrame &frame)
{
    BoxAxes axes;
    if (!frame.known)
        return axes;
    const AxisOrder order = nearestAxisOrder(frame);
    for (int p = 0; p < 3; ++p) {
        const int a = order.voxelAxis[p];
        axes.modelAxis[a] = modelAxisOfPatient[p];
        axes.sign[a] = order.sign[p] * modelSignOfPatient[p];
    }
    return axes;
}

QPointF screenDirectionOf(int patientAxis, int xRotation, int yRotation, int zRotation)
{
    const std::array<double, 3> v = turned(modelDirectionOf(patientAxis), xRotation, yRotation, zRotation);
    return QPointF(v[0], v[1]);
}

double towardsViewerOf(int patientAxis, int xRotation, int yRotation, int zRotation)
{
    return turned(modelDirectionOf(patientAxis), xRotation, yRotation, zRotation)[2];
}
