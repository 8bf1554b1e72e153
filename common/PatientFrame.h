#pragma once

#include <array>

// Where a voxel grid lies in the patient, in DICOM's patient coordinates (LPS), millimetres:
// +x towards the patient's left, +y towards the back, +z towards the head. Readers of formats
// that state RAS (NIfTI, NRRD's "right-anterior-superior") turn it into LPS.
struct PatientFrame
{
    // axes[a] is the unit direction in which voxel index a (0: x, 1: y, 2: z) grows.
    std::array<std::array<double, 3>, 3> axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    // The centre of voxel (0, 0, 0).
    std::array<double, 3> origin{0, 0, 0};
    // False where the source states no orientation (.dat, headerless data): the grid is then
    // shown in its own order and the axes above mean nothing.
    bool known = false;

    friend bool operator==(const PatientFrame &a, const PatientFrame &b)
    {
        return a.axes == b.axes && a.origin == b.origin && a.known == b.known;
    }
};
