#pragma once

#include <array>

struct BoxAxes;

// The volume's box as both ray-casting passes draw it: centred on the origin, boxScale wide
// along each axis, each corner carrying its volume texture coordinate (1 on the positive
// side of an axis, 0 on the negative) as colour and as texture coordinate set 0. So every
// fragment of a face knows where its view ray crosses that face, in texture space.
//
// The six faces are wound clockwise as seen from outside. The projection flips the vertical
// axis, so the faces turned towards the viewer reach the window counter-clockwise and count
// as front faces: culling front faces leaves the far ones.
void drawBox(const std::array<float, 3> &boxScale);

// Loads the modelview matrix that places the box `distance` along z from the eye, turned by
// the view's rotations (1/16 degree, about x, then y, then z; an oriented volume's start tip
// between y and z) and into the patient's orientation by `axes`. A mirroring `axes` makes the faces reach the window wound the other
// way round, so the front face is set to follow it; the caller sets GL_CCW back.
void loadBoxModelView(float distance, const std::array<int, 3> &rotation, const BoxAxes &axes);
