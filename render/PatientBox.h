#pragma once

#include "PatientFrame.h"

#include <QPointF>

#include <array>

// How the 3-D view turns the volume's box so that an oriented volume starts as a person
// facing the viewer: head up, face towards the viewer, the patient's right on the viewer's
// left. Model x points right on the screen, model y down (the projection flips it), model z
// towards the viewer, so the patient's left is +x, the head -y and the front +z. The box is
// drawn along the voxel axes as always; a signed permutation in the model transform, from
// the frame's nearest axes, puts each voxel axis where its patient axis belongs. A volume
// without orientation keeps the identity, and with it the view of the grid as stored.

struct BoxAxes
{
    // The model axis (0 x, 1 y, 2 z) along which voxel axis a runs, and which way.
    std::array<int, 3> modelAxis{0, 1, 2};
    std::array<int, 3> sign{1, 1, 1};

    // Whether the permutation mirrors: the box's faces then reach the screen wound the
    // other way round, and what counts as a front face must follow.
    bool mirrors() const;
    // The transform as a column-major 4 x 4 matrix for glMultMatrixf.
    std::array<float, 16> matrix() const;
};

BoxAxes boxAxesFor(const PatientFrame &frame);

// The direction on the screen (x right, y down; length 1 where it lies in the screen's
// plane, shorter as it turns towards the viewer) of patient axis p (0 towards the left, 1 the
// back, 2 the head) in the view turned by these angles (1/16 degree, about model x, y, z).
QPointF screenDirectionOf(int patientAxis, int xRotation, int yRotation, int zRotation);
// The same direction's component towards the viewer.
double towardsViewerOf(int patientAxis, int xRotation, int yRotation, int zRotation);
