#pragma once

#include "SlicePlane.h"
#include "SliceSource.h"
#include "WindowLevel.h"

#include <QString>

// The texts in a 2-D view's corners. The slice is named by its voxel index along its axis,
// counted from 0 as the readout counts voxels, with the last index and where the slice lies
// in millimetres; the window by whole units, as the eye reads them.

// "Axial", "Coronal" or "Sagittal".
QString orientationName(SliceOrientation orientation);
QString sliceCaption(const SliceSource &source, const SlicePlane &plane, int slice);
QString windowCaption(const WindowLevel &window);
