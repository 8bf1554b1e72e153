#include "ItkFileReader.h"

#include "ImportError.h"
#include "ImportProgress.h"
#include "ItkImageIO.h"
#include "NiftiTwoHeader.h"
#include "StoredData.h"


#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Headers of detached data are short; this bounds what is read to find the data files.
constexpr qint64 maxHeaderBytes = 1 << 20;
// Far more dimensions than any volume has; the bound only keeps MetaIO's header parsing short.
constexpr int maxMetaImageDimensions = 10;
// A header may name its data as a numbered series of files; more than this is no volume.
constexpr long maxNamedFiles = 100000;

itk::ImageIOBase::Pointer ioFor(ItkFormat format)
{
    switch (format) {
    case ItkFormat::Nifti: return itk::NiftiImageIO::New().GetPointer();
    case ItkFormat::Nrrd: return itk::NrrdImageIO::New().GetPointer();
    case ItkFormat::MetaImage: return itk::MetaImageIO::New().GetPointer();
    }
    return nullptr;
}

const char *formatName(ItkFormat format)
{
    switch (format) {
    case ItkFormat::Nifti: return "NIfTI";
    case ItkFormat::Nrrd: return "NRRD";
    case ItkFormat::MetaImage: return "MetaImage";
    }
    return "";
}

QString resolvedBeside(const QString &header, const QString &name)
{
    return QFileInfo(name).isAbsolute() ? name : QFileInfo(header).dir().filePath(name);
}

// "slice%03d.raw 1 5 1": names from a printf pattern with one integer conversion.
QStringList expandPattern(const QStringList &words)
{
    static const QRegularExpression oneInteger(QStringLiteral("^[^%]*%0?[0-9]{0,2}d[^%]*$"));
    if (words.size() < 4 || !oneInteger.match(words[0]).hasMatch())
        return {};
    bool ok[3] = {false, false, false};
    const long first = words[1].toLong(&ok[0]);
    const long last = words[2].toLong(&ok[1]);
    const long step = words[3].toLong(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2] || step == 0 || (last - first) / step < 0 || (last - first) / step > maxNamedFiles)
        return {};
    QStringList names;
    const QByteArray pattern = words[0].toLocal8Bit();
    for (long i = first; step > 0 ? i <= last : i >= last; i += step) {
        char name[4096];
        std::snprintf(name, sizeof name, pattern.constData(), int(i));
        names << QString::fromLocal8Bit(name);
    }
    return names;
}

// The files a detached header names for its data ("data file:" in NRRD, ElementDataFile in
// MetaImage): one name, "LIST" with the names on the following lines, or a numbered pattern.
QStringList namedDataFiles(const QString &header, ItkFormat format)
{
    QFile file(header);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLocal8Bit(file.read(maxHeaderBytes)).split(QLatin1Char('\n'));
    const QRegularExpression key(format == ItkFormat::Nrrd ? QStringLiteral("^data ?file:\\s*(.*)$")
                                                           : QStringLiteral("^ElementDataFile\\s*=\\s*(.*)$"));
    for (int i = 0; i < lines.size(); ++i) {
        if (format == ItkFormat::Nrrd && lines[i].trimmed().isEmpty())
            break;
        const QRegularExpressionMatch match = key.match(lines[i].trimmed());
        if (!match.hasMatch())
            continue;
        const QString value = match.captured(1).trimmed();
        const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList names;
        if (value == QLatin1String("LOCAL"))
            return {};
        if (value.startsWith(QLatin1String("LIST"))) {
            for (int j = i + 1; j < lines.size() && !(format == ItkFormat::Nrrd && lines[j].trimmed().isEmpty()); ++j)
                names += lines[j].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        } else if (value.contains(QLatin1Char('%'))) {
            names = expandPattern(words);
        } else {
            names << value;
        }
        QStringList resolved;
        for (const QString &name : names)
            resolved << resolvedBeside(header, name);
        return resolved;
    }
    return {};
}

// The other half of a NIfTI or Analyze pair: x.hdr for x.img and the other way round.
QStringList niftiPartner(const QString &path)
{
    const QRegularExpression pair(QStringLiteral("^(.*\\.)(hdr|img|HDR|IMG)(\\.gz)?$"));
    const QRegularExpressionMatch match = pair.match(path);
    if (!match.hasMatch())
        return {};
    const QString other = match.captured(2).toLower() == QLatin1String("hdr") ? QStringLiteral("img") : QStringLiteral("hdr");
    return {match.captured(1) + other + match.captured(3), match.captured(1) + other};
}

uint64_t bytesOnDisk(const SourceVolume &volume)
{
    uint64_t total = 0;
    for (const std::string &file : volume.files)
        total += uint64_t(std::max<qint64>(QFileInfo(QString::fromStdString(file)).size(), 0));
    return total;
}

bool isCompressedName(const QString &path)
{
    return path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive);
}

// Where a NIfTI or Analyze header puts the samples (byte vox_offset of the inflated data
// file) and how many bits each takes as stored: read here because ITK does not say, and
// needed to check that the data is all there.
struct NiftiStorage
{
    int64_t offset = 0;
    int bitsPerVoxel = 0;
    // dim[1] .. dim[dim[0]], which the NIfTI library quietly turns into 1 where not positive.
    std::vector<int64_t> sizes;
    // Either code above 0 says that the quaternion or the affine places the grid.
    int qformCode = 0;
    int sformCode = 0;
};

NiftiStorage niftiStorage(const QString &header)
{
    unsigned char bytes[496] = {};
    gzFile file = gzopen(header.toLocal8Bit().constData(), "rb");
    const int got = file ? gzread(file, bytes, sizeof bytes) : 0;
    if (file)
        gzclose(file);
    auto number = [&bytes](int at, int size, bool swap) {
        uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= uint64_t(bytes[at + (swap ? size - 1 - i : i)]) << (8 * i);
        return value;
    };
    NiftiStorage storage;
    for (bool swap : {false, true}) {
        const uint64_t sizeofHeader = number(0, 4, swap);
        if (sizeofHeader == 348 && got >= 112) {
            const uint32_t bits = uint32_t(number(108, 4, swap));
            float offset;
            std::memcpy(&offset, &bits, sizeof offset);
            storage.offset = std::isfinite(offset) && offset >= 0.0f && offset < 1e12f ? int64_t(offset) : 0;
            storage.bitsPerVoxel = int(number(72, 2, swap));
            storage.qformCode = int16_t(number(252, 2, swap));
            storage.sformCode = int16_t(number(254, 2, swap));
            for (int axis = 1; axis <= std::min<int>(int(int16_t(number(40, 2, swap))), 7); ++axis)
                storage.sizes.push_back(int16_t(number(40 + 2 * axis, 2, swap)));
        } else if (sizeofHeader == 540 && got >= 176) {
            storage.offset = int64_t(std::min<uint64_t>(number(168, 8, swap), uint64_t(1) << 40));
            storage.bitsPerVoxel = int(number(14, 2, swap));
            storage.qformCode = int32_t(number(344, 4, swap));
            storage.sformCode = int32_t(number(348, 4, swap));
            for (int axis = 1; axis <= std::min<int>(int(int64_t(number(16, 8, swap))), 7); ++axis)
                storage.sizes.push_back(int64_t(number(16 + 8 * axis, 8, swap)));
        }
    }
    return storage;
}

bool isImageHalf(const QString &path)
{
    static const QRegularExpression image(QStringLiteral("\\.img(\\.gz)?$"), QRegularExpression::CaseInsensitiveOption);
    return image.match(path).hasMatch();
}

QString niftiPartnerOf(const SourceVolume &volume)
{
    for (size_t i = 1; i < volume.files.size(); ++i) {
        if (QFileInfo(QString::fromStdString(volume.files[i])).isFile())
            return QString::fromStdString(volume.files[i]);
    }
    return QString();
}

// A .nii holds header and data; of a pair, the .hdr holds the header, the .img the data.
QString niftiHeaderOf(const QString &path, const SourceVolume &volume)
{
    const QString partner = niftiPartnerOf(volume);
    return isImageHalf(path) && !partner.isEmpty() ? partner : path;
}

void checkNiftiData(const QString &path, const SourceVolume &volume)
{
    const QString partner = niftiPartnerOf(volume);
    const QString header = niftiHeaderOf(path, volume);
    const QString data = isImageHalf(path) || partner.isEmpty() ? path : partner;
    const NiftiStorage storage = niftiStorage(header);
    for (size_t axis = 0; axis < storage.sizes.size(); ++axis) {
        if (storage.sizes[axis] < 1)
            throw ImportError(QStringLiteral("%1: dim[%2] = %3 is not a size").arg(path).arg(axis + 1).arg(storage.sizes[axis]));
    }
    const int bits = storage.bitsPerVoxel > 0 ? storage.bitsPerVoxel : 8 * sampleTypeSize(volume.type);
    const uint64_t needed = (volume.sampleCount() * uint64_t(bits) + 7) / 8;
    if (isCompressedName(data))
        StoredData::checkCompressed(data, 0, uint64_t(storage.offset) + needed);
    else
        StoredData::checkPlain(data, storage.offset, needed);
}

// Byte after the ElementDataFile line, where the samples of a MetaImage with LOCAL data start.
int64_t localDataOffset(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(maxHeaderBytes);
    const int key = head.indexOf("ElementDataFile");
    const int end = key < 0 ? -1 : head.indexOf('\n', key);
    return end < 0 ? head.size() : end + 1;
}

// MetaImage expands a data file name with a '%' as a printf pattern, overrunning its
// buffer on anything but one integer conversion (ASan found it): such names must be
// plain printable names, LOCAL, LIST or a sound numbered pattern.
void checkDataFileName(const QString &path, const QString &name)
{
    const bool printable = std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); });
    const bool soundPattern = !name.contains(QLatin1Char('%')) || !expandPattern(name.split(QLatin1Char(' '), Qt::SkipEmptyParts)).isEmpty();
    if (!printable || !soundPattern)
        throw ImportError(QStringLiteral("%1: ElementDataFile \"%2\" is neither a file name nor a numbered pattern").arg(path, name));
}

// MetaIO reads each array field of the header as NDims numbers without checking NDims: a
// huge one keeps it parsing one header for hours (the fuzzer found it).
void checkMetaImageDimensions(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray header = file.read(maxHeaderBytes).left(int(localDataOffset(path)));
    static const QRegularExpression key(QStringLiteral("^\\s*NDims\\s*=\\s*(\\S*)"), QRegularExpression::MultilineOption);
    for (QRegularExpressionMatchIterator it = key.globalMatch(QString::fromLatin1(header)); it.hasNext();) {
        const QString value = it.next().captured(1);
        bool number = false;
        const int dimensions = value.toInt(&number);
        if (!number || dimensions < 1 || dimensions > maxMetaImageDimensions)
            throw ImportError(QStringLiteral("%1: NDims \"%2\" is no number of dimensions from 1 to %3")
                                  .arg(path, value)
                                  .arg(maxMetaImageDimensions));
    }
}

void checkMetaImageData(const QString &path, itk::ImageIOBase &io, const SourceVolume &volume)
{
    MetaImage *meta = static_cast<itk::MetaImageIO &>(io).GetMetaImagePointer();
    const QString dataName = QString::fromStdString(meta->ElementDataFileName());
    checkDataFileName(path, dataName);
    const bool local = dataName == QLatin1String("LOCAL");
    if (!local && volume.files.size() != 2)
        return;
    const QString dataFile = local ? path : QString::fromStdString(volume.files[1]);
    const int64_t offset = local ? localDataOffset(path) : std::max(0, meta->HeaderSize());
    if (meta->CompressedData())
        StoredData::checkCompressed(dataFile, offset, volume.dataBytes());
    else
        StoredData::checkPlain(dataFile, offset, volume.dataBytes());
}

// ITK inflates nothing from compressed LOCAL data whose header lacks the optional
// CompressedDataSize line, and pads; it reads the same data from a file of its own. Writes
// the header, pointing to such a file, and the data into `folder`; returns the header, or
// an empty name where the MetaImage needs no such help.
QString detachedCompressedData(const QString &path, itk::ImageIOBase &io, const QTemporaryDir &folder)
{
    MetaImage *meta = static_cast<itk::MetaImageIO &>(io).GetMetaImagePointer();
    if (!meta->CompressedData() || std::string(meta->ElementDataFileName()) != "LOCAL" || !folder.isValid())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const int64_t offset = localDataOffset(path);
    QByteArray header = file.read(offset);
    if (header.contains("CompressedDataSize"))
        return QString();
    const int key = header.lastIndexOf("ElementDataFile");
    header = header.left(key) + "ElementDataFile = data.zraw\n";
    QFile data(folder.filePath(QStringLiteral("data.zraw")));
    QFile detached(folder.filePath(QStringLiteral("volume.mhd")));
    if (!data.open(QIODevice::WriteOnly) || data.write(file.readAll()) < 0 || !detached.open(QIODevice::WriteOnly)
        || detached.write(header) != header.size())
        return QString();
    return detached.fileName();
}

void checkStoredData(const QString &path, ItkFormat format, itk::ImageIOBase &io, const SourceVolume &volume)
{
    StoredData::checkBound(path, bytesOnDisk(volume), volume.dataBytes());
    try {
        if (format == ItkFormat::Nifti)
            checkNiftiData(path, volume);
        else if (format == ItkFormat::MetaImage)
            checkMetaImageData(path, io, volume);
    } catch (const ImportError &error) {
        // A separate data file is named after the file the user gave.
        if (!error.message().startsWith(path + QLatin1Char(':')))
            throw ImportError(path + QStringLiteral(": ") + error.message());
        throw;
    }
}

// ITK's NIfTI reader takes the header from the file named but looks for the samples by
// the base name, so that x.nii beside x.nii.gz gives x.nii's samples under x.nii.gz's
// header. Read through links of a private folder, the names leave it no choice. Returns
// the link to read; the path itself where no folder can be made.
QString isolatedNiftiPath(const QString &path, const SourceVolume &volume, const QTemporaryDir &folder)
{
    if (!folder.isValid())
        return path;
    static const QRegularExpression suffix(QStringLiteral("\\.(nii|hdr|img)(\\.gz)?$"), QRegularExpression::CaseInsensitiveOption);
    auto linkTo = [&folder](const QString &target) {
        const QString link = folder.filePath(QStringLiteral("volume") + suffix.match(target).captured(0).toLower());
        QFile::link(QFileInfo(target).absoluteFilePath(), link);
        return link;
    };
    const QString read = linkTo(path);
    for (size_t i = 1; i < volume.files.size(); ++i) {
        const QString partner = QString::fromStdString(volume.files[i]);
        if (QFileInfo(partner).isFile()) {
            linkTo(partner);
            break;
        }
    }
    return read;
}

QByteArray headerBytes(const QString &header, int size)
{
    QByteArray bytes(size, '\0');
    gzFile file = gzopen(QFile::encodeName(header).constData(), "rb");
    const int got = file ? gzread(file, bytes.data(), unsigned(size)) : 0;
    if (file)
        gzclose(file);
    return bytes.left(std::max(got, 0));
}

// For a NIfTI-2 file, the NIfTI-1 stand-in header ITK reads instead (NiftiTwoHeader.h),
// written into `folder` beside a link to the data; the path to read otherwise.
QString niftiOneStandIn(const QString &path, const QString &read, const SourceVolume &volume, const QTemporaryDir &folder)
{
    const QString header = niftiHeaderOf(path, volume);
    const QByteArray bytes = headerBytes(header, NiftiTwoHeader::size);
    if (!NiftiTwoHeader::isNiftiTwo(bytes))
        return read;
    QString refusal;
    const QByteArray standIn = NiftiTwoHeader::toNiftiOnePair(bytes, &refusal);
    if (standIn.isEmpty())
        throw ImportError(QStringLiteral("%1: %2").arg(path, refusal));
    const QString partner = niftiPartnerOf(volume);
    const QString data = isImageHalf(path) || partner.isEmpty() ? path : partner;
    const QString standInHeader = folder.filePath(QStringLiteral("standin.hdr"));
    const QString dataLink = folder.filePath(isCompressedName(data) ? QStringLiteral("standin.img.gz") : QStringLiteral("standin.img"));
    QFile file(standInHeader);
    if (!folder.isValid() || !file.open(QIODevice::WriteOnly) || file.write(standIn) != standIn.size()
        || !QFile::link(QFileInfo(data).absoluteFilePath(), dataLink))
        throw ImportError(QStringLiteral("%1: cannot prepare the NIfTI-2 header for reading: %2").arg(path, file.errorString()));
    return standInHeader;
}

// Whether a line of the header before its data matches `key`: NRRD ends its header with
// an empty line, MetaImage with the ElementDataFile line.
bool headerHas(const QString &path, ItkFormat format, const QRegularExpression &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray header = file.read(maxHeaderBytes);
    if (format == ItkFormat::MetaImage)
        header = header.left(int(localDataOffset(path)));
    for (const QString &line : QString::fromLatin1(header).split(QLatin1Char('\n'))) {
        if (format == ItkFormat::Nrrd && line.trimmed().isEmpty())
            return false;
        if (key.match(line).hasMatch())
            return true;
    }
    return false;
}

// Whether the header places the grid in the patient; where it does not, ITK still states
// directions and an origin, but only its own defaults.
bool statesFrame(const QString &path, ItkFormat format, const SourceVolume &volume)
{
    switch (format) {
    case ItkFormat::Nifti: {
        const NiftiStorage storage = niftiStorage(niftiHeaderOf(path, volume));
        return storage.qformCode > 0 || storage.sformCode > 0;
    }
    case ItkFormat::Nrrd:
        return headerHas(path, format, QRegularExpression(QStringLiteral("^space directions:.*\\(")));
    case ItkFormat::MetaImage:
        return headerHas(path, format, QRegularExpression(QStringLiteral("^\\s*(TransformMatrix|Rotation|Orientation)\\s*=")));
    }
    return false;
}

// MetaImage's optional Modality field; ITK reads it but does not pass it on.
std::string metaImageModality(itk::ImageIOBase &io)
{
    switch (static_cast<itk::MetaImageIO &>(io).GetMetaImagePointer()->Modality()) {
    case MET_MOD_CT: return "CT";
    case MET_MOD_MR: return "MR";
    case MET_MOD_NM: return "NM";
    case MET_MOD_US: return "US";
    case MET_MOD_OTHER: return "OT";
    default: return std::string();
    }
}

void acceptSpacing(SourceVolume *volume)
{
    volume->hasSpacing = true;
    for (double spacing : volume->spacing) {
        if (!std::isfinite(spacing) || spacing <= 0.0)
            volume->hasSpacing = false;
    }
    if (!volume->hasSpacing) {
        for (double &spacing : volume->spacing)
            spacing = 1.0;
        volume->notes.push_back("the voxel spacing in the header is not usable; the voxels are shown as cubes");
    }
}

} // namespace

SourceVolume readItkFile(const QString &path, ItkFormat format, const GridLimits &limits, const ImportProgress &progress)
{
    ItkImageIO::quietLibraries();
    if (!QFileInfo(path).isFile())
        throw ImportError(QStringLiteral("%1: cannot open: no such file").arg(path));
    SourceVolume volume;
    volume.format = formatName(format);
    volume.files.push_back(path.toStdString());
    const QStringList others = format == ItkFormat::Nifti ? niftiPartner(path) : namedDataFiles(path, format);
    for (const QString &other : others) {
        checkDataFileKind(path, other);
        volume.files.push_back(other.toStdString());
    }

    // A corrupt header stream would only make ITK say that it cannot read the file.
    if (format == ItkFormat::Nifti && isCompressedName(path))
        StoredData::checkCompressed(path, 0, 0);
    const QTemporaryDir links;
    const QString read = format == ItkFormat::Nifti ? niftiOneStandIn(path, isolatedNiftiPath(path, volume, links), volume, links) : path;
    if (format == ItkFormat::MetaImage)
        checkMetaImageDimensions(path);
    itk::ImageIOBase::Pointer io = ioFor(format);
    if (!io->CanReadFile(read.toLocal8Bit().constData()))
        throw ImportError(QStringLiteral("%1: not a %2 file ITK can read").arg(path, QString::fromLatin1(formatName(format))));
    io->SetFileName(read.toLocal8Bit().constData());
    try {
        ItkImageIO::readInformation(*io, path, &volume);
        checkLimits(path, volume, limits);
        acceptSpacing(&volume);
        volume.frame.known = statesFrame(path, format, volume);
        if (format == ItkFormat::MetaImage)
            volume.modality = metaImageModality(*io);
        checkStoredData(path, format, *io, volume);
        const QString detached = format == ItkFormat::MetaImage ? detachedCompressedData(path, *io, links) : QString();
        if (!detached.isEmpty()) {
            io->SetFileName(detached.toLocal8Bit().constData());
            ItkImageIO::readInformation(*io, path, &volume);
        }
        checkCancel(path, progress);
        allocateSamples(path, &volume, progress);
        ItkImageIO::readPixels(*io, path, volume.bytes.data());
    } catch (const ImportCancelled &) {
        throw;
    } catch (const ImportError &error) {
        throw ImportError(error.message().replace(read, path));
    }
    checkCancel(path, progress);
    return volume;
}
