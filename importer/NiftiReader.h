#pragma once

#include "VolumeSource.h"

#include <QString>

// NIfTI-1 single files (.nii, and .nii.gz compressed as a whole): the 348-byte header in
// either byte order, one 3D volume of an integer or float datatype, and the scaling
// slope/intercept, which applies whenever the slope is a finite non-zero number.
VolumeSource readNiftiHeader(const QString &path);
