#include "DicomVolumeRead.h"

#include "DicomDirectRead.h"
#include "DicomSeriesRules.h"
#include "EveryCore.h"
#include "ImportError.h"
#include "ImportProgress.h"
#include "ItkImageIO.h"
#include "PatientFrameMath.h"

#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cmath>

namespace {

using Stack = std::vector<DicomHeader>;

QString name(const DicomHeader &file)
{
    return QFileInfo(file.path).fileName();
}

// "FOLDER: FILE" for one file of a folder's series, the path alone for the file given.
QString located(const QString &where, const DicomHeader &file)
{
    return file.path == where ? where : where + QStringLiteral(": ") + name(file);
}

void checkAlike(const QString &where, const Stack &series)
{
    const DicomHeader &first = series.front();
    for (const DicomHeader &file : series) {
        if (!file.pixelDataProblem.isEmpty())
            throw ImportError(QStringLiteral("%1: %2").arg(located(where, file), file.pixelDataProblem));
        if (file.isColour())
            throw ImportError(QStringLiteral("%1: holds colour images (%2 samples per pixel); only grey images are shown")
                                  .arg(located(where, file))
                                  .arg(file.samplesPerPixel));
        if (file.rows != first.rows || file.columns != first.columns)
            throw ImportError(QStringLiteral("%1: images of different sizes in one series: %2 is %3 x %4, %5 is %6 x %7")
                                  .arg(where, name(first))
                                  .arg(first.columns)
                                  .arg(first.rows)
                                  .arg(name(file))
                                  .arg(file.columns)
                                  .arg(file.rows));
        if (series.size() > 1 && file.frames > 1)
            throw ImportError(QStringLiteral("%1: holds %2 frames in a series of several files").arg(located(where, file)).arg(file.frames));
    }
}

// Without positions the instance numbers give the order, the slice thickness the spacing.
double sortSlices(const QString &where, Stack *series, SourceVolume *volume)
{
    if (series->size() == 1)
        return 0.0;
    DicomSeriesRules::sortStack(series);
    if (DicomSeriesRules::allPlaced(*series))
        return DicomSeriesRules::checkedSpacing(where, *series);
    volume->notes.push_back("the slices carry no positions: ordered by instance number, spaced by their slice thickness");
    return series->front().sliceSpacing;
}

void convertToFloat(const OwnedArray<unsigned char> &from, SampleType type, uint64_t count, float *to)
{
    const bool big = QSysInfo::ByteOrder == QSysInfo::BigEndian;
    for (uint64_t i = 0; i < count; ++i)
        to[i] = float(decodeSample(from.data() + i * sampleTypeSize(type), type, big));
}

// The volume's sizes, type, spacing and frame from the first file, with its samples
// allocated; each further file's samples then lie at its index times this.
class StackReader
{
public:
    StackReader(const QString &where, const Stack &series, bool mixedStorage, SourceVolume *volume)
        : where(where), series(series), mixedStorage(mixedStorage), volume(volume)
    {
    }

    void readFirst(const GridLimits &limits, const ImportProgress &progress)
    {
        itk::GDCMImageIO::Pointer io = openUnchanged(series.front());
        SourceVolume slice;
        ItkImageIO::readInformation(*io, series.front().path, &slice);
        volume->type = mixedStorage ? SampleType::Float32 : slice.type;
        volume->sizes[0] = slice.sizes[0];
        volume->sizes[1] = slice.sizes[1];
        volume->sizes[2] = slice.sizes[2] * series.size();
        std::copy(slice.spacing, slice.spacing + 3, volume->spacing);
        volume->frame = slice.frame;
        checkGrid(where, volume->sizes[0], volume->sizes[1], volume->sizes[2]);
        checkLimits(where, *volume, limits);
        allocateSamples(where, volume, progress);
        sliceSamples = slice.sampleCount();
        place(0, *io, slice);
    }

    void readSlice(size_t i)
    {
        itk::GDCMImageIO::Pointer io = openUnchanged(series[i]);
        SourceVolume slice;
        ItkImageIO::readInformation(*io, series[i].path, &slice);
        place(i, *io, slice);
    }

private:
    itk::GDCMImageIO::Pointer openUnchanged(const DicomHeader &file) const
    {
        const QFileInfo now(file.path);
        if (!now.exists() || now.size() != file.fileSize)
            throw ImportError(QStringLiteral("%1: changed or went away since the folder was scanned").arg(located(where, file)));
        itk::GDCMImageIO::Pointer io = itk::GDCMImageIO::New();
        io->SetFileName(QFile::encodeName(file.path).constData());
        return io;
    }

    void place(size_t i, itk::GDCMImageIO &io, SourceVolume &slice) const
    {
        if (slice.sampleCount() != sliceSamples)
            throw ImportError(QStringLiteral("%1: does not hold the image its header describes").arg(located(where, series[i])));
        unsigned char *at = volume->bytes.data() + i * sliceSamples * sampleTypeSize(volume->type);
        if (slice.type == volume->type) {
            ItkImageIO::readPixels(io, series[i].path, at);
        } else if (volume->type == SampleType::Float32) {
            allocateScratchSamples(series[i].path, &slice);
            ItkImageIO::readPixels(io, series[i].path, slice.bytes.data());
            convertToFloat(slice.bytes, slice.type, sliceSamples, reinterpret_cast<float *>(at));
        } else {
            throw ImportError(QStringLiteral("%1: %2 stores its samples as %3, %4 as %5")
                                  .arg(where, name(series.front()), sampleTypeName(volume->type), name(series[i]), sampleTypeName(slice.type)));
        }
    }

    const QString &where;
    const Stack &series;
    bool mixedStorage;
    SourceVolume *volume;
    uint64_t sliceSamples = 0;
};

// Reads every file but the first on all cores; the first refusal stops the others and is
// passed on.
void readSlices(const QString &where, const Stack &series, bool mixedStorage, const GridLimits &limits, SourceVolume *volume,
                const ImportProgress &progress, double start)
{
    StackReader reader(where, series, mixedStorage, volume);
    reader.readFirst(limits, progress);
    readOnEveryCore(1, series.size(), progress, start, [&](size_t i) {
        reader.readSlice(i);
        return true;
    });
    checkCancel(where, progress);
}

// Where the sorted slices lie: along the rows and columns of their planes, stacked along the
// normal in the direction they were sorted, from the first slice's position. A file alone
// keeps the frame ITK gave it (`ofFile`), which also places the frames of a multi-frame
// file.
PatientFrame frameOfSeries(const Stack &series, PatientFrame ofFile)
{
    if (!DicomSeriesRules::allPlaced(series))
        return PatientFrame();
    if (series.size() == 1) {
        ofFile.known = true;
        return ofFile;
    }
    const DicomHeader &first = series.front();
    const auto &o = first.orientation;
    PatientFrame frame;
    frame.axes = {{{o[0], o[1], o[2]}, {o[3], o[4], o[5]}, DicomSeriesRules::normalOf(first)}};
    frame.origin = first.position;
    frame.known = PatientFrameMath::normalizeAxes(&frame);
    return frame;
}

} // namespace

namespace DicomVolumeRead {

SourceVolume volumeOfStack(const QString &where, std::vector<DicomHeader> stack, std::vector<std::string> notes,
                           const GridLimits &limits, const ImportProgress &progress, double start)
{
    SourceVolume volume;
    volume.format = "DICOM";
    volume.notes = std::move(notes);
    checkAlike(where, stack);
    const double sliceSpacing = sortSlices(where, &stack, &volume);
    const bool mixedStorage = std::any_of(stack.begin(), stack.end(),
                                          [&stack](const DicomHeader &file) { return file.storage != stack.front().storage; });
    for (const DicomHeader &file : stack)
        volume.files.push_back(file.path.toStdString());
    if (!DicomDirectRead::applies(stack) || !DicomDirectRead::read(where, stack, limits, &volume, progress, start))
        readSlices(where, stack, mixedStorage, limits, &volume, progress, start);
    volume.frame = frameOfSeries(stack, volume.frame);
    volume.modality = stack.front().modality.toStdString();
    if (stack.size() > 1 || stack.front().frames == 1)
        volume.spacing[2] = sliceSpacing > 0.0 ? sliceSpacing : stack.front().sliceSpacing > 0.0 ? stack.front().sliceSpacing : 1.0;
    volume.hasSpacing = stack.front().hasPixelSpacing && std::all_of(volume.spacing, volume.spacing + 3, [](double spacing) {
        return std::isfinite(spacing) && spacing > 0.0;
    });
    if (!volume.hasSpacing)
        std::fill(volume.spacing, volume.spacing + 3, 1.0);
    return volume;
}

} // namespace DicomVolumeRead
