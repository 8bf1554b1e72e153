#include "VolumeImport.h"

#include "DicomDirectory.h"
#include "DicomReader.h"
#include "ImportError.h"
#include "InvesaliusReader.h"
#include "ItkFileReader.h"
#include "PatientFrameMath.h"
#include "RawReader.h"
#include "RobustRange.h"
#include "SampleLimits.h"
#include "SourceVolume.h"
#include "ValueSamples.h"
#include "ValueStats.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr uint64_t maxRangeSample = 1000000;
// A grid whose axes lie further than this from the patient's is called oblique: scanners
// tilt their gantry or plan slices along an organ; a degree or two is a patient lying askew.
constexpr double obliqueDegrees = 3.0;
constexpr uint64_t valueChunk = 1 << 20;
// How the progress divides between reading and surveying the values.
constexpr double readingShare = 0.9;

const char *const niftiSuffixes[] = {".nii", ".nii.gz", ".hdr", ".img", ".hdr.gz", ".img.gz"};
const char *const nrrdSuffixes[] = {".nrrd", ".nhdr"};
const char *const metaImageSuffixes[] = {".mha", ".mhd"};
const char *const dicomSuffixes[] = {".dcm", ".dicom", ".ima"};
const char *const invesaliusSuffixes[] = {".inv3"};

template <size_t N>
bool hasSuffix(const QString &path, const char *const (&suffixes)[N])
{
    return std::any_of(suffixes, suffixes + N,
                       [&path](const char *suffix) { return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive); });
}

// The series of the DICOM exam at `path`, whose volume is not read.
SourceVolume listDicom(const QString &path, const ImportOptions &options, const ImportProgress &progress)
{
    const QFileInfo info(path);
    if (!info.isDir() && !DicomDirectory::isDicomDirectory(path) && !looksLikeDicom(path))
        throw ImportError(QStringLiteral("%1: holds no DICOM images: it is neither a folder, a DICOMDIR nor a DICOM file").arg(path));
    return readDicom(path, options, progress);
}

SourceVolume readSource(const QString &path, const ImportOptions &options, const ImportProgress &progress)
{
    checkOpenable(path);
    if (options.seriesChoice == SeriesChoice::ListOnly)
        return listDicom(path, options, progress);
    if (options.raw)
        return readRawFile(path, *options.raw, options.limits, progress);
    const QFileInfo info(path);
    if (info.isDir() || DicomDirectory::isDicomDirectory(path))
        return readDicom(path, options, progress);
    if (hasSuffix(path, niftiSuffixes))
        return readItkFile(path, ItkFormat::Nifti, options.limits, progress);
    if (hasSuffix(path, nrrdSuffixes))
        return readItkFile(path, ItkFormat::Nrrd, options.limits, progress);
    if (hasSuffix(path, metaImageSuffixes))
        return readItkFile(path, ItkFormat::MetaImage, options.limits, progress);
    if (hasSuffix(path, invesaliusSuffixes))
        return readInvesaliusProject(path, options.limits, progress);
    if (hasSuffix(path, dicomSuffixes) || looksLikeDicom(path))
        return readDicom(path, options, progress);
    throw ImportError(QStringLiteral("%1: unknown format; expected a DICOM file or folder, .nii, .nii.gz, .hdr, .nrrd, "
                                     ".nhdr, .mha, .mhd or .inv3, or --raw for headerless data")
                          .arg(path));
}

// Calls f(index, value) for the samples begin..end-1, decoding their type once per call.
template <typename F>
void forEachSourceValue(const SourceVolume &volume, uint64_t begin, uint64_t end, F &&f)
{
    forEachValue(volume.bytes.data(), volume.type, begin, end, f);
}

// Runs f(begin, end) over the samples in chunks, reporting progress and stopping when asked.
template <typename F>
void forEachChunkRange(const QString &path, const SourceVolume &volume, const ImportProgress &progress, F &&f)
{
    const uint64_t count = volume.sampleCount();
    for (uint64_t begin = 0; begin < count; begin += valueChunk) {
        checkCancel(path, progress);
        const uint64_t end = std::min(count, begin + valueChunk);
        f(begin, end);
        progress.report(double(end) / double(count));
    }
}

// Integer samples, the storage of nearly every scan: their range comes from a plain loop
// instead of a conversion to double and a check per sample.
template <typename T>
void addRangeOfStored(const unsigned char *bytes, uint64_t begin, uint64_t end, ValueStats &stats)
{
    T low = std::numeric_limits<T>::max();
    T high = std::numeric_limits<T>::min();
    for (uint64_t i = begin; i < end; ++i) {
        T value;
        std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
        low = std::min(low, value);
        high = std::max(high, value);
    }
    stats.addWholeRange(double(low), double(high), end - begin);
}

void addRangeOfChunk(const SourceVolume &volume, uint64_t begin, uint64_t end, ValueStats &stats)
{
    const unsigned char *bytes = volume.bytes.data();
    switch (volume.type) {
    case SampleType::UInt8: addRangeOfStored<uint8_t>(bytes, begin, end, stats); break;
    case SampleType::Int8: addRangeOfStored<int8_t>(bytes, begin, end, stats); break;
    case SampleType::UInt16: addRangeOfStored<uint16_t>(bytes, begin, end, stats); break;
    case SampleType::Int16: addRangeOfStored<int16_t>(bytes, begin, end, stats); break;
    case SampleType::UInt32: addRangeOfStored<uint32_t>(bytes, begin, end, stats); break;
    case SampleType::Int32: addRangeOfStored<int32_t>(bytes, begin, end, stats); break;
    case SampleType::Float32:
    case SampleType::Float64: forEachSourceValue(volume, begin, end, [&stats](uint64_t, double value) { stats.add(value); }); break;
    }
}

ValueStats statsOf(const QString &path, const SourceVolume &volume, const ImportProgress &progress)
{
    ValueStats stats;
    forEachChunkRange(path, volume, progress, [&](uint64_t begin, uint64_t end) { addRangeOfChunk(volume, begin, end, stats); });
    if (stats.finiteCount() == 0)
        throw ImportError(QStringLiteral("%1: no sample is a finite number").arg(path));
    return stats;
}

// Every value of volumes up to a million samples, an even spread of a million of larger ones.
std::vector<double> sampleOfFiniteValues(const SourceVolume &volume)
{
    const uint64_t count = volume.sampleCount();
    const uint64_t stride = (count + maxRangeSample - 1) / maxRangeSample;
    std::vector<double> values;
    values.reserve(size_t(std::min(count, maxRangeSample)));
    for (uint64_t i = 0; i < count; i += stride) {
        forEachSourceValue(volume, i, i + 1, [&values](uint64_t, double value) {
            if (std::isfinite(value))
                values.push_back(value);
        });
    }
    return values;
}

// Hounsfield units span -1024..3071; scanners pad the field outside their view with one
// value below that (-2048, -3024), which is then the lowest.
double hounsfieldShare(const std::vector<double> &values, const ValueStats &stats)
{
    const auto inSpan = [&stats](double value) { return (value >= -1024.0 && value <= 3071.0) || value == stats.min(); };
    return values.empty() ? 1.0 : double(std::count_if(values.begin(), values.end(), inSpan)) / double(values.size());
}

ValueMapping robustLinearMapping(std::vector<double> values, const ValueStats &stats)
{
    if (values.empty())
        return rangeMapping(MappingKind::Linear, stats.min(), stats.max());
    const ValueRange range = robustRange(std::move(values), robustLowFraction, robustHighFraction);
    if (range.high > range.low)
        return rangeMapping(MappingKind::Linear, range.low, range.high);
    return rangeMapping(MappingKind::Linear, stats.min(), stats.max());
}

ValueMapping chooseMapping(const ImportOptions &options, const SourceVolume &volume, const ValueStats &stats)
{
    if (options.window)
        return rangeMapping(MappingKind::Window, options.window->first, options.window->second);
    std::vector<double> values = sampleOfFiniteValues(volume);
    MappingEvidence evidence;
    evidence.modality = QString::fromStdString(volume.modality);
    evidence.hounsfieldShare = hounsfieldShare(values, stats);
    const MappingKind kind = options.mapping.value_or(defaultMappingKind(stats, volume.type, false, evidence));
    switch (kind) {
    case MappingKind::Hounsfield:
        return hounsfieldMapping();
    case MappingKind::Times16:
        return times16Mapping(volume.type);
    case MappingKind::Keep:
        return keepMapping();
    case MappingKind::Linear:
    case MappingKind::Window:
        break;
    }
    return robustLinearMapping(std::move(values), stats);
}

SampleUnits unitsOf(const ValueMapping &mapping)
{
    SampleUnits units;
    units.scale = mapping.scale;
    units.offset = mapping.offset;
    units.hounsfield = mapping.kind == MappingKind::Hounsfield;
    return units;
}

void noteObliqueFrame(const PatientFrame &frame, std::vector<std::string> *notes)
{
    const double degrees = PatientFrameMath::obliqueDegrees(frame);
    if (frame.known && degrees > obliqueDegrees)
        notes->push_back(QStringLiteral("the orientation is oblique: the grid's axes lie up to %1 degrees off the patient's")
                             .arg(degrees, 0, 'f', 1)
                             .toStdString());
}

// The values stay where the reader put them (the reader program's file in memory), shared
// from now on.
OriginalValues originalValuesOf(SourceVolume &volume)
{
    const uint64_t count = volume.sampleCount();
    const auto kept = std::make_shared<OwnedArray<unsigned char>>(std::move(volume.bytes));
    return OriginalValues(std::shared_ptr<const unsigned char>(kept, kept->data()), volume.type, count);
}

void readValues(const QString &path, const ImportOptions &options, const ImportProgress &progress, ImportResult *result)
{
    progress.beginStage(0.0, readingShare);
    SourceVolume volume = readSource(path, options, progress);
    result->exam = std::move(volume.exam);
    result->openedSeries = volume.openedSeries;
    if (volume.sampleCount() == 0 && !result->exam.empty()) {
        result->format = volume.format;
        result->notes = std::move(volume.notes);
        return;
    }
    progress.beginStage(readingShare, 1.0 - readingShare);
    const ValueStats stats = statsOf(path, volume, progress);
    result->mapping = chooseMapping(options, volume, stats);
    result->mappingDescription = result->mapping.description().toStdString();
    result->format = volume.format;
    result->sizeX = int(volume.sizes[0]);
    result->sizeY = int(volume.sizes[1]);
    result->sizeZ = int(volume.sizes[2]);
    result->spacing = VoxelSpacing{volume.spacing[0], volume.spacing[1], volume.spacing[2], volume.hasSpacing};
    result->frame = volume.frame;
    result->units = unitsOf(result->mapping);
    noteObliqueFrame(volume.frame, &volume.notes);
    result->notes = std::move(volume.notes);
    result->files = std::move(volume.files);
    result->sampleType = sampleTypeName(volume.type).toStdString();
    result->lowestValue = stats.min();
    result->highestValue = stats.max();
    result->values = originalValuesOf(volume);
}

template <typename F>
ImportResult refusedOrDone(const std::string &path, F &&read)
{
    const QString file = QString::fromStdString(path);
    ImportResult result;
    try {
        read(file, &result);
        return result;
    } catch (const ImportCancelled &cancelled) {
        result = ImportResult();
        result.cancelled = true;
        result.refusal = cancelled.message().toStdString();
    } catch (const ImportError &error) {
        result = ImportResult();
        result.refusal = error.message().toStdString();
    } catch (const std::bad_alloc &) {
        result = ImportResult();
        result.refusal = path + ": not enough memory";
    } catch (const std::exception &error) {
        result = ImportResult();
        result.refusal = ImportError(QStringLiteral("%1: %2").arg(file, QString::fromLocal8Bit(error.what()).simplified())).message().toStdString();
    }
    return result;
}

} // namespace

static_assert(maxSample == maxSampleValue, "the mapping's range is the viewer's");

ImportResult importValues(const std::string &path, const ImportOptions &options, const ImportProgress &progress)
{
    return refusedOrDone(path, [&](const QString &file, ImportResult *result) { readValues(file, options, progress, result); });
}

ImportResult importVolume(const std::string &path, const ImportOptions &options, const ImportProgress &progress)
{
    return refusedOrDone(path, [&](const QString &file, ImportResult *result) {
        readValues(file, options, progress, result);
        if (result->isListing())
            return;
        try {
            result->samples = mapToSamples(result->values, result->mapping, result->lowestValue, result->highestValue, 1);
        } catch (const std::bad_alloc &) {
            throw ImportError(QStringLiteral("%1: not enough memory for %2 samples").arg(file).arg(result->values.count()));
        }
    });
}
