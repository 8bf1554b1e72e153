#include "DicomHeaderReader.h"

#include "DicomWalk.h"

#include <gdcmReader.h>
#include <gdcmStringFilter.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const gdcm::Tag pixelDataTag(0x7fe0, 0x0010);

std::vector<double> numbers(const std::string &text)
{
    std::vector<double> values;
    for (const QString &part : QString::fromStdString(text).split(QLatin1Char('\\'))) {
        bool ok = false;
        const double value = part.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return {};
        values.push_back(value);
    }
    return values;
}

unsigned whole(const std::string &text, unsigned fallback)
{
    bool ok = false;
    const unsigned value = QString::fromStdString(text).trimmed().toUInt(&ok);
    return ok ? value : fallback;
}

double numberOr(const std::string &text, double fallback)
{
    const std::vector<double> values = numbers(text);
    return values.size() == 1 ? values[0] : fallback;
}

// GDCM reads a file whose pixel data is cut short without complaint, and ITK pads the
// missing samples; the element's length and the file's length tell. `valueAt` is where
// the pixel data's value starts, just after its length.
QString pixelDataProblem(const QString &path, size_t valueAt, const gdcm::TransferSyntax &syntax, uint64_t needed)
{
    if (syntax == gdcm::TransferSyntax::DeflatedExplicitVRLittleEndian)
        return QString();
    QFile file(path);
    unsigned char length[4] = {};
    if (valueAt < 8 || !file.open(QIODevice::ReadOnly) || !file.seek(qint64(valueAt) - 4)
        || file.read(reinterpret_cast<char *>(length), 4) != 4)
        return QStringLiteral("holds no pixel data");
    const uint32_t declared = DicomWalk::readWord(length, 4, syntax.GetSwapCode() == gdcm::SwapCode::BigEndian);
    if (declared == 0xffffffffu)
        return QString();
    const uint64_t present = std::min<uint64_t>(declared, uint64_t(std::max<qint64>(file.size() - qint64(valueAt), 0)));
    if (present < needed)
        return QStringLiteral("its pixel data holds %1 of the %2 bytes the image needs").arg(present).arg(needed);
    return QString();
}

class HeaderTexts
{
public:
    explicit HeaderTexts(const gdcm::File &file) { strings.SetFile(file); }

    std::string raw(uint16_t group, uint16_t element) { return strings.ToString(gdcm::Tag(group, element)); }
    QString text(uint16_t group, uint16_t element) { return QString::fromStdString(raw(group, element)).trimmed(); }

private:
    gdcm::StringFilter strings;
};

void readNames(HeaderTexts &texts, DicomHeader *header)
{
    header->patientName = texts.text(0x0010, 0x0010);
    header->patientId = texts.text(0x0010, 0x0020);
    header->studyUid = texts.text(0x0020, 0x000d);
    header->studyDate = texts.text(0x0008, 0x0020);
    header->studyDescription = texts.text(0x0008, 0x1030);
    header->seriesUid = texts.text(0x0020, 0x000e);
    header->seriesNumber = texts.text(0x0020, 0x0011);
    header->seriesDescription = texts.text(0x0008, 0x103e);
    header->instanceUid = texts.text(0x0008, 0x0018);
    header->modality = texts.text(0x0008, 0x0060);
}

void readStorage(HeaderTexts &texts, DicomHeader *header)
{
    header->frames = std::max(1u, whole(texts.raw(0x0028, 0x0008), 1));
    header->samplesPerPixel = whole(texts.raw(0x0028, 0x0002), 1);
    header->photometric = texts.text(0x0028, 0x0004);
    header->bitsAllocated = whole(texts.raw(0x0028, 0x0100), 16);
    header->bitsStored = whole(texts.raw(0x0028, 0x0101), 0);
    header->pixelRepresentation = whole(texts.raw(0x0028, 0x0103), 0);
    header->rescaleSlope = numberOr(texts.raw(0x0028, 0x1053), 1.0);
    header->rescaleIntercept = numberOr(texts.raw(0x0028, 0x1052), 0.0);
    header->storage = QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(header->bitsAllocated)
                          .arg(header->bitsStored)
                          .arg(header->pixelRepresentation)
                          .arg(texts.text(0x0028, 0x1053), texts.text(0x0028, 0x1052));
}

void readPlacement(HeaderTexts &texts, DicomHeader *header)
{
    const std::vector<double> position = numbers(texts.raw(0x0020, 0x0032));
    if (position.size() == 3) {
        header->hasPosition = true;
        std::copy(position.begin(), position.end(), header->position.begin());
    }
    const std::vector<double> orientation = numbers(texts.raw(0x0020, 0x0037));
    if (orientation.size() == 6) {
        header->hasOrientation = true;
        std::copy(orientation.begin(), orientation.end(), header->orientation.begin());
    }
    const std::vector<double> pixelSpacing = numbers(texts.raw(0x0028, 0x0030));
    header->hasPixelSpacing = pixelSpacing.size() == 2;
    if (header->hasPixelSpacing)
        std::copy(pixelSpacing.begin(), pixelSpacing.end(), header->pixelSpacing.begin());
    for (const uint16_t element : {uint16_t(0x0088), uint16_t(0x0050)}) {
        const double spacing = numberOr(texts.raw(0x0018, element), 0.0);
        if (header->sliceSpacing <= 0.0 && spacing > 0.0)
            header->sliceSpacing = spacing;
    }
    const std::vector<double> instance = numbers(texts.raw(0x0020, 0x0013));
    header->hasInstance = instance.size() == 1;
    header->instance = header->hasInstance ? long(instance[0]) : 0;
    const std::vector<double> acquisition = numbers(texts.raw(0x0020, 0x0012));
    header->hasAcquisition = acquisition.size() == 1;
    header->acquisition = header->hasAcquisition ? long(acquisition[0]) : 0;
}

// Why the pixel data that follows the header cannot give the image; empty when it can.
QString checkPixelData(const QString &path, const gdcm::Reader &reader, const DicomHeader &header)
{
    const gdcm::TransferSyntax &syntax = reader.GetFile().GetHeader().GetDataSetTransferSyntax();
    // GDCM swaps 32-bit samples of big-endian files wrongly (pydicom's rtdose_expb.dcm).
    if (syntax.GetSwapCode() == gdcm::SwapCode::BigEndian && header.bitsAllocated == 32)
        return QStringLiteral("holds 32-bit samples in big-endian order, which GDCM reads wrongly");
    if (syntax.IsEncapsulated() || header.bitsAllocated == 0)
        return QString();
    // Bits are packed without padding between pixels or frames: a mask of one bit per pixel
    // takes an eighth of a byte each. A frame count far beyond the data (a damaged mask of
    // 34 KB declared thousands of frames) must not become gigabytes of padding.
    const double bits = double(header.rows) * header.columns * header.frames * header.samplesPerPixel * header.bitsAllocated;
    const uint64_t needed = bits < 1e18 ? (uint64_t(bits) + 7) / 8 : UINT64_MAX;
    return pixelDataProblem(path, reader.GetStreamCurrentPosition(), syntax, needed);
}

} // namespace

namespace DicomHeaderReader {

bool read(const QString &path, DicomHeader *header)
{
    if (!DicomWalk(path).sound())
        return false;
    gdcm::Reader reader;
    reader.SetFileName(QFile::encodeName(path).constData());
    // Skipping the pixel data leaves the stream at the start of its value.
    if (!reader.ReadUpToTag(pixelDataTag, {pixelDataTag}))
        return false;
    HeaderTexts texts(reader.GetFile());
    header->path = path;
    header->fileSize = QFileInfo(path).size();
    header->rows = whole(texts.raw(0x0028, 0x0010), 0);
    header->columns = whole(texts.raw(0x0028, 0x0011), 0);
    if (header->rows == 0 || header->columns == 0)
        return false;
    readNames(texts, header);
    readStorage(texts, header);
    readPlacement(texts, header);
    header->pixelDataProblem = checkPixelData(path, reader, *header);
    return true;
}

} // namespace DicomHeaderReader
