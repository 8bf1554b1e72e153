#pragma once

#include "OriginalValues.h"
#include "PatientFrame.h"
#include "SampleBuffer.h"
#include "SampleUnits.h"
#include "VoxelSpacing.h"

#include <string>
#include <vector>

// One volume on its way from a reader to the view, the one description every stage passes
// on: the import fills it, the reader process carries it across, and a Volume is built from
// it and keeps what the view needs of it (spacing, frame, units, the original values).
struct VolumeDescription
{
    // The format as the console names it: "DICOM", "NIfTI", "NRRD", "MetaImage",
    // "InVesalius" or "raw".
    std::string format;
    int sizeX = 0;
    int sizeY = 0;
    int sizeZ = 0;
    VoxelSpacing spacing;
    // Where the grid lies in the patient; frame.known is false where the source states none.
    PatientFrame frame;
    // What each sample stands for in the source's units.
    SampleUnits units;
    // How the source's values became samples, e.g. "hu (value + 1024)".
    std::string mappingDescription;
    // Lines worth showing besides, such as the other series of a DICOM folder.
    std::vector<std::string> notes;
    // Every file the samples came from: the input and each file it names.
    std::vector<std::string> files;
    // sizeX * sizeY * sizeZ samples, 0..maxSample, x fastest, then y, then z.
    SampleBuffer samples;
    // The values the samples were mapped from, as many; empty where the samples are the
    // values themselves (a `.dat` file).
    OriginalValues values;
};

// Every field, the samples included.
bool operator==(const VolumeDescription &a, const VolumeDescription &b);
