#pragma once

#include <array>

// The volume's box as both ray-casting passes draw it: centred on the origin, boxScale wide
// along each axis, each corner carrying its volume texture coordinate (1 on the positive
// side of an axis, 0 on the negative) as colour and as texture coordinate set 0. So every
// fragment of a face knows where its view ray crosses that face, in texture space.
//
// The six faces are wound clockwise as seen from outside. The projection flips the vertical
// axis, so the faces turned towards the viewer reach the window counter-clockwise and count
// as front faces: culling front faces leaves the far ones.
void drawBox(const std::array<float, 3> &boxScale);
