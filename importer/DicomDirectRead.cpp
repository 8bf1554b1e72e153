#include "DicomDirectRead.h"

#include "ImportError.h"
#include "EveryCore.h"
#include "ImportProgress.h"

#include <gdcmImageReader.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Stack = std::vector<DicomHeader>;

QString located(const QString &where, const DicomHeader &file)
{
    return where + QStringLiteral(": ") + QFileInfo(file.path).fileName();
}

// Adds the intercept to the stored samples in place; false where a result leaves int16.
template <typename Stored>
bool rescaleInPlace(int16_t *samples, uint64_t count, int intercept)
{
    for (uint64_t i = 0; i < count; ++i) {
        Stored stored;
        std::memcpy(&stored, samples + i, sizeof stored);
        const int value = int(stored) + intercept;
        if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
            return false;
        samples[i] = int16_t(value);
    }
    return true;
}

// Decodes one file into `place`; false where a value leaves int16.
bool readFile(const QString &where, const DicomHeader &file, int16_t *place, uint64_t sliceSamples)
{
    const QFileInfo now(file.path);
    if (!now.exists() || now.size() != file.fileSize)
        throw ImportError(QStringLiteral("%1: changed or went away since the folder was scanned").arg(located(where, file)));
    gdcm::ImageReader reader;
    reader.SetFileName(QFile::encodeName(file.path).constData());
    if (!reader.Read())
        throw ImportError(QStringLiteral("%1: cannot be decoded").arg(located(where, file)));
    const gdcm::Image &image = reader.GetImage();
    if (image.GetColumns() != file.columns || image.GetRows() != file.rows
        || image.GetBufferLength() != sliceSamples * sizeof(int16_t) || image.GetPixelFormat().GetBitsAllocated() != 16)
        throw ImportError(QStringLiteral("%1: does not hold the image its header describes").arg(located(where, file)));
    if (!image.GetBuffer(reinterpret_cast<char *>(place)))
        throw ImportError(QStringLiteral("%1: cannot be decoded").arg(located(where, file)));
    const int intercept = int(std::lround(file.rescaleIntercept));
    if (file.pixelRepresentation == 1)
        return rescaleInPlace<int16_t>(place, sliceSamples, intercept);
    return rescaleInPlace<uint16_t>(place, sliceSamples, intercept);
}

} // namespace

namespace DicomDirectRead {

bool applies(const Stack &stack)
{
    const DicomHeader &first = stack.front();
    const bool wholeIntercept = std::abs(first.rescaleIntercept) < 65536.0 && first.rescaleIntercept == std::round(first.rescaleIntercept);
    return stack.size() > 1 && first.rescaleSlope == 1.0 && wholeIntercept && first.bitsAllocated == 16
           && std::all_of(stack.begin(), stack.end(), [&first](const DicomHeader &file) {
                  return file.frames == 1 && file.samplesPerPixel == 1 && file.storage == first.storage
                         && file.rescaleIntercept == first.rescaleIntercept && file.rows == first.rows
                         && file.columns == first.columns && file.photometric == QLatin1String("MONOCHROME2");
              });
}

bool read(const QString &where, const Stack &stack, const GridLimits &limits, SourceVolume *volume, const ImportProgress &progress,
          double start)
{
    const DicomHeader &first = stack.front();
    volume->type = SampleType::Int16;
    volume->sizes[0] = first.columns;
    volume->sizes[1] = first.rows;
    volume->sizes[2] = stack.size();
    volume->spacing[0] = first.pixelSpacing[1];
    volume->spacing[1] = first.pixelSpacing[0];
    checkGrid(where, volume->sizes[0], volume->sizes[1], volume->sizes[2]);
    checkLimits(where, *volume, limits);
    allocateSamples(where, volume, progress);
    const uint64_t sliceSamples = uint64_t(first.columns) * first.rows;
    int16_t *samples = reinterpret_cast<int16_t *>(volume->bytes.data());

    const bool fits = readOnEveryCore(0, stack.size(), progress, start, [&](size_t i) {
        return readFile(where, stack[i], samples + i * sliceSamples, sliceSamples);
    });
    checkCancel(where, progress);
    return fits;
}

} // namespace DicomDirectRead
