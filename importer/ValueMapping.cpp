#include "ValueMapping.h"

#include <cmath>

namespace {

constexpr double hounsfieldOffset = 1024.0;
// The lowest values CT scanners write: -1024 for air, down to -3024 outside the field of
// view. Data with its minimum in this band and its maximum at water or above is taken as CT.
constexpr double lowestHounsfieldMinimum = -3100.0;
constexpr double highestHounsfieldMinimum = -500.0;
constexpr double middleSample = 2048.0;

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

uint16_t ValueMapping::map(double value) const
{
    const double mapped = scale * value + offset;
    if (std::isnan(mapped) || mapped <= 0.0)
        return 0;
    if (mapped >= maxSampleValue)
        return maxSampleValue;
    return uint16_t(std::floor(mapped + 0.5));
}

QString ValueMapping::description() const
{
    switch (kind) {
    case MappingKind::Hounsfield:
        return QStringLiteral("hu (value + 1024)");
    case MappingKind::Times16:
        return offset == 0.0 ? QStringLiteral("x16 (value * 16)") : QStringLiteral("x16 ((value + 128) * 16)");
    case MappingKind::Keep:
        return QStringLiteral("keep");
    case MappingKind::Linear:
        return QStringLiteral("linear %1..%2").arg(number(low), number(high));
    case MappingKind::Window:
        return QStringLiteral("window %1..%2").arg(number(low), number(high));
    }
    return QString();
}

ValueMapping hounsfieldMapping()
{
    ValueMapping mapping;
    mapping.kind = MappingKind::Hounsfield;
    mapping.offset = hounsfieldOffset;
    return mapping;
}

ValueMapping times16Mapping(SampleType type)
{
    ValueMapping mapping;
    mapping.kind = MappingKind::Times16;
    mapping.scale = 16.0;
    mapping.offset = type == SampleType::Int8 ? 128.0 * 16.0 : 0.0;
    return mapping;
}

ValueMapping keepMapping()
{
    return ValueMapping();
}

ValueMapping rangeMapping(MappingKind kind, double low, double high)
{
    ValueMapping mapping;
    mapping.kind = kind;
    mapping.low = low;
    mapping.high = high;
    if (high > low) {
        mapping.scale = maxSampleValue / (high - low);
        mapping.offset = -low * mapping.scale;
    } else {
        mapping.scale = 1.0;
        mapping.offset = middleSample - low;
    }
    return mapping;
}

bool parseMappingKind(const QString &name, MappingKind *kind)
{
    const struct {
        const char *name;
        MappingKind kind;
    } names[] = {
        {"hu", MappingKind::Hounsfield},
        {"x16", MappingKind::Times16},
        {"keep", MappingKind::Keep},
        {"linear", MappingKind::Linear},
    };
    for (const auto &entry : names) {
        if (name == QLatin1String(entry.name)) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

MappingKind defaultMappingKind(const ValueStats &stats, SampleType type, bool scaled, const MappingEvidence &evidence)
{
    if (stats.min() == stats.max())
        return MappingKind::Linear;
    if (sampleTypeSize(type) == 1 && !scaled)
        return MappingKind::Times16;
    if (evidence.modality == QLatin1String("CT"))
        return MappingKind::Hounsfield;
    const bool looksLikeCt = stats.min() >= lowestHounsfieldMinimum && stats.min() <= highestHounsfieldMinimum
                             && stats.max() >= 0.0 && evidence.hounsfieldShare >= hounsfieldShareNeeded;
    if (evidence.modality.isEmpty() && looksLikeCt)
        return MappingKind::Hounsfield;
    if (stats.allIntegral() && stats.min() >= 0.0 && stats.max() <= maxSampleValue)
        return MappingKind::Keep;
    return MappingKind::Linear;
}
