#pragma once

#include "PatientFrame.h"

#include <QPointF>

#include <array>

// How the 3-D view places the volume's box so that an oriented volume starts as a person
// facing the viewer (head up, face towards the viewer, the patient's right on the viewer's
// left) and turns on its head-feet axis. Model x points right on the screen, model y down
// (the projection flips it) and model z towards the viewer; the view's turn applies its x,
// then its y, then its z rotation to the model.
//
// The box is drawn along the voxel axes as always; a signed permutation in the model
// transform, from the frame's nearest axes, stands an oriented volume on model z: the
// patient's left along +x, the back along +y, the head along -z. A fixed tip about model x,
// between the view's y and z rotations, then brings the head up and the face forward. So
// the z rotation, which a horizontal drag drives, turns the patient about the head-feet
// axis, as on a turntable, and the x rotation, which a vertical drag drives, still tips the
// picture about the screen's horizontal axis. A volume without orientation keeps the
// identity and no tip: the grid as stored, its z axis towards the viewer.

// The tip of an oriented volume's start view, in degrees about model x.
constexpr double orientedStartTip = -90.0;

struct BoxAxes
{
    // The model axis (0 x, 1 y, 2 z) along which voxel axis a runs, and which way.
    std::array<int, 3> modelAxis{0, 1, 2};
    std::array<int, 3> sign{1, 1, 1};
    // Degrees about model x, applied between the view's y and z rotations.
    double startTip = 0.0;

    // Whether the permutation mirrors: the box's faces then reach the screen wound the
    // other way round, and what counts as a front face must follow.
    bool mirrors() const;
    // The permutation as a column-major 4 x 4 matrix for glMultMatrixf.
    std::array<float, 16> matrix() const;
};

BoxAxes boxAxesFor(const PatientFrame &frame);

// The direction on the screen (x right, y down; length 1 where it lies in the screen's
// plane, shorter as it turns towards the viewer) of patient axis p (0 towards the left, 1 the
// back, 2 the head) of an oriented volume in the view turned by these angles (1/16 degree,
// about model x, y, z).
QPointF screenDirectionOf(int patientAxis, int xRotation, int yRotation, int zRotation);
// The same direction's component towards the viewer.
double towardsViewerOf(int patientAxis, int xRotation, int yRotation, int zRotation);
