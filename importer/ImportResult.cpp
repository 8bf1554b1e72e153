#include "ImportResult.h"

#include <QString>

// C++17 has no comparison made by the compiler: a field added must be compared here, which
// this check of the size recalls.
static_assert(sizeof(ImportResult) == sizeof(VolumeDescription) + 160, "compare the new field of ImportResult below");

bool operator==(const ImportResult &a, const ImportResult &b)
{
    return static_cast<const VolumeDescription &>(a) == static_cast<const VolumeDescription &>(b) && a.refusal == b.refusal
           && a.cancelled == b.cancelled && a.sampleType == b.sampleType && a.lowestValue == b.lowestValue
           && a.highestValue == b.highestValue && a.mapping == b.mapping && a.exam == b.exam
           && a.openedSeries == b.openedSeries;
}

std::string valuesDescription(const ImportResult &result)
{
    return QStringLiteral("%1 values %2..%3, mapping %4")
        .arg(QString::fromStdString(result.sampleType))
        .arg(result.lowestValue, 0, 'g', 6)
        .arg(result.highestValue, 0, 'g', 6)
        .arg(QString::fromStdString(result.mappingDescription))
        .toStdString();
}
