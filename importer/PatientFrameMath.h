#pragma once

#include "PatientFrame.h"

#include <array>

// Arithmetic on patient frames that the readers share: unit axes, the third axis of a plane,
// the turn from the right-anterior-superior coordinates that NIfTI states into LPS, and how
// far a grid's axes lie from the patient's.
namespace PatientFrameMath {

using Vector = std::array<double, 3>;

Vector cross(const Vector &a, const Vector &b);

// Scales every axis to unit length; false where one is not finite or has no length.
bool normalizeAxes(PatientFrame *frame);

// RAS and LPS differ in the signs of x and y.
Vector rasToLps(const Vector &ras);

// The largest angle, in degrees, between an axis of the grid and the patient's axis nearest
// to it: 0 for a grid stored along the patient's axes in any order and sense.
double obliqueDegrees(const PatientFrame &frame);

} // namespace PatientFrameMath
