#include "ImportOptions.h"

// C++17 has no comparison made by the compiler: a field added must be compared here, which
// this check of the size recalls.
static_assert(sizeof(ImportOptions) == 104, "compare the new field of ImportOptions below");

bool operator==(const ImportOptions &a, const ImportOptions &b)
{
    return a.mapping == b.mapping && a.window == b.window && a.raw == b.raw && a.limits == b.limits && a.seriesChoice == b.seriesChoice
           && a.series == b.series;
}
