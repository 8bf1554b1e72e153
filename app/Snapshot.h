#pragma once

#include "ProgramRequest.h"

// The command-line picture:
//   dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Z] [--view 3d|axial|coronal|sagittal|grid]
//                [--window WIDTH,LEVEL] [--crop X0,X1,Y0,Y1,Z0,Z1] [--slab MM,mip|minip|mean]
//                [--mode composite|mip|minip|average] PATH
// opens PATH with its stops file (or the default stops) and, with no window on screen,
// draws a picture of that size and writes OUT.png. The 3-D view is one resting frame at that
// orientation (degrees about the x and z axes) inside the crop box (fractions of the extent
// along the patient's right-to-left, front-to-back and feet-to-head axes, or x, y and z for a
// volume without orientation), as the transfer function's picture or as the projection
// --mode names, through the window. A 2-D view is the slice through the middle of the volume,
// fitted with square millimetres, black around, through the window (original units; where
// none is given, the start window the window shows too: soft tissue for CT, else automatic),
// or the thick slab around it where --slab asks for one. The grid is the window's 2 x 2 layout: the three
// slices through the middle as the reading views show them, with their letters, lines and
// captions, and the 3-D view. On any failure it writes nothing and prints one line.
namespace Snapshot {

// Runs the whole command inside a running application, for a request whose values
// ProgramArguments has checked; the process's exit status.
int run(const ProgramRequest &request);

} // namespace Snapshot
