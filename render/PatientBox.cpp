#include "PatientBox.h"

#include "PatientAxes.h"

#include <cmath>

namespace {

// Patient axes in the model: left is +x, back is +y, head is -z.
constexpr int modelAxisOfPatient[3] = {0, 1, 2};
constexpr int modelSignOfPatient[3] = {1, 1, -1};

// The view's transform of a model vector: the z rotation first, then the start tip, then y,
// then x, as the matrices are multiplied onto the model-view in the opposite order.
std::array<double, 3> turned(std::array<double, 3> v, int xRotation, int yRotation, int zRotation)
{
    const auto rotate = [&v](double degrees, int a, int b) {
        const double r = degrees * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
        const double va = v[a], vb = v[b];
        v[a] = c * va - s * vb;
        v[b] = s * va + c * vb;
    };
    rotate(zRotation / 16.0, 0, 1);
    rotate(orientedStartTip, 1, 2);
    rotate(yRotation / 16.0, 2, 0);
    rotate(xRotation / 16.0, 1, 2);
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
    axes.startTip = orientedStartTip;
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
