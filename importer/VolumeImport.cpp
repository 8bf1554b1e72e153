#include "VolumeImport.h"

#include "DatWriter.h"
#include "ImportError.h"
#include "InvesaliusReader.h"
#include "MetaImageReader.h"
#include "NiftiReader.h"
#include "NrrdReader.h"
#include "SampleArray.h"

#include <algorithm>
#include <cmath>
#include "RobustRange.h"

namespace {

constexpr uint64_t maxRangeSample = 1000000;

VolumeSource rawSource(const QString &path, const RawLayout &layout)
{
    checkDatSizes(path, layout.sizes[0], layout.sizes[1], layout.sizes[2]);
    if (layout.offset < 0)
        throw ImportError(QStringLiteral("%1: offset %2 is negative").arg(path).arg(layout.offset));
    VolumeSource source;
    source.format = QStringLiteral("raw");
    source.sizeX = layout.sizes[0];
    source.sizeY = layout.sizes[1];
    source.sizeZ = layout.sizes[2];
    source.type = layout.type;
    source.bigEndian = layout.bigEndian;
    source.dataPath = path;
    source.dataOffset = layout.offset;
    return source;
}

bool hasSuffix(const QString &path, const char *suffix)
{
    return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

ValueStats statsOf(const SampleArray &samples)
{
    ValueStats stats;
    for (uint64_t i = 0; i < samples.count(); ++i)
        stats.add(samples.value(i));
    if (stats.finiteCount() == 0)
        throw ImportError(QStringLiteral("%1: no sample is a finite number").arg(samples.source().dataPath));
    return stats;
}

// Every value of volumes up to a million samples, an even spread of a million of larger ones.
std::vector<double> sampleOfFiniteValues(const SampleArray &samples)
{
    const uint64_t stride = (samples.count() + maxRangeSample - 1) / maxRangeSample;
    std::vector<double> values;
    values.reserve(size_t(std::min(samples.count(), maxRangeSample)));
    for (uint64_t i = 0; i < samples.count(); i += stride) {
        const double value = samples.value(i);
        if (std::isfinite(value))
            values.push_back(value);
    }
    return values;
}

ValueMapping robustLinearMapping(const SampleArray &samples, const ValueStats &stats)
{
    std::vector<double> values = sampleOfFiniteValues(samples);
    if (values.empty())
        return rangeMapping(MappingKind::Linear, stats.min(), stats.max());
    const ValueRange range = robustRange(std::move(values), robustLowFraction, robustHighFraction);
    if (range.high > range.low)
        return rangeMapping(MappingKind::Linear, range.low, range.high);
    return rangeMapping(MappingKind::Linear, stats.min(), stats.max());
}

ValueMapping chooseMapping(const ImportRequest &request, const SampleArray &samples, const ValueStats &stats)
{
    if (request.window)
        return rangeMapping(MappingKind::Window, request.window->first, request.window->second);
    const VolumeSource &source = samples.source();
    const MappingKind kind = request.mapping.value_or(defaultMappingKind(stats, source.type, source.isScaled()));
    switch (kind) {
    case MappingKind::Hounsfield:
        return hounsfieldMapping();
    case MappingKind::Times16:
        return times16Mapping(source.type);
    case MappingKind::Keep:
        return keepMapping();
    case MappingKind::Linear:
    case MappingKind::Window:
        break;
    }
    return robustLinearMapping(samples, stats);
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

VolumeSource readVolumeSource(const ImportRequest &request)
{
    const QString &path = request.input;
    if (request.raw)
        return rawSource(path, *request.raw);
    if (hasSuffix(path, ".nii") || hasSuffix(path, ".nii.gz"))
        return readNiftiHeader(path);
    if (hasSuffix(path, ".nrrd") || hasSuffix(path, ".nhdr"))
        return readNrrdHeader(path);
    if (hasSuffix(path, ".mha") || hasSuffix(path, ".mhd"))
        return readMetaImageHeader(path);
    if (hasSuffix(path, ".inv3"))
        return readInvesaliusProject(path);
    throw ImportError(QStringLiteral("%1: unknown format; expected .nii, .nii.gz, .nrrd, .nhdr, .mha, .mhd or .inv3, "
                                     "or --raw for headerless data")
                          .arg(path));
}

ImportResult importVolume(const ImportRequest &request, const std::function<void(int)> &progress)
{
    ImportResult result;
    result.source = readVolumeSource(request);
    const bool large = result.source.dataBytes() > progressThresholdBytes;
    const SampleArray samples = SampleArray::load(result.source, large ? progress : std::function<void(int)>());
    result.stats = statsOf(samples);
    result.mapping = chooseMapping(request, samples, result.stats);
    writeDat(request.output, samples, result.mapping);
    return result;
}

QString summaryLine(const ImportRequest &request, const ImportResult &result)
{
    const VolumeSource &source = result.source;
    QString type = sampleTypeName(source.type);
    if (source.isScaled())
        type += QStringLiteral(" * %1 %2 %3")
                    .arg(number(source.slope), source.intercept < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                         number(std::abs(source.intercept)));
    return QStringLiteral("wrote %1: %2 x %3 x %4 from %5 %6, values %7..%8, mapping %9")
        .arg(request.output)
        .arg(source.sizeX)
        .arg(source.sizeY)
        .arg(source.sizeZ)
        .arg(source.format, type, number(result.stats.min()), number(result.stats.max()), result.mapping.description());
}
