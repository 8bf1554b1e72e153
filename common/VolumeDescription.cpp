#include "VolumeDescription.h"

// C++17 has no comparison made by the compiler: a field added must be compared here, which
// this check of the size recalls.
static_assert(sizeof(VolumeDescription) == 368, "compare the new field of VolumeDescription below");

bool operator==(const VolumeDescription &a, const VolumeDescription &b)
{
    return a.format == b.format && a.sizeX == b.sizeX && a.sizeY == b.sizeY && a.sizeZ == b.sizeZ && a.spacing == b.spacing
           && a.frame == b.frame && a.units == b.units && a.mappingDescription == b.mappingDescription && a.notes == b.notes
           && a.files == b.files && a.samples == b.samples && a.values == b.values;
}
