#include "InvesaliusReader.h"

#include "ImportError.h"
#include "ImportProgress.h"
#include "PlistReader.h"
#include "StoredData.h"

#include <archive.h>
#include <archive_entry.h>

#include <QFile>
#include <QSysInfo>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr la_int64_t maxPlistSize = 1 << 20;
constexpr size_t readBlock = 1 << 16;
constexpr uint64_t progressChunk = 1 << 22;

struct MatrixEntry
{
    QString fileName;
    // x, y, z
    uint64_t sizes[3] = {0, 0, 0};
    SampleType type = SampleType::Int16;
    double spacing[3] = {1.0, 1.0, 1.0};
    bool hasSpacing = false;
    PatientFrame frame;
    QString modality;
};

QString withoutDotSlash(const QString &name)
{
    return name.startsWith(QLatin1String("./")) ? name.mid(2) : name;
}

// main.plist at the top of the archive or inside its one folder; deeper ones belong to
// something else.
bool isMainPlist(const QString &name)
{
    const QStringList parts = name.split(QLatin1Char('/'));
    return parts.last() == QLatin1String("main.plist") && parts.size() <= 2;
}

QString folderOf(const QString &name)
{
    const int slash = name.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : name.left(slash + 1);
}

void readShape(const QString &where, const QVariantMap &matrix, MatrixEntry *entry)
{
    const QVariantList shape = matrix.value(QStringLiteral("shape")).toList();
    if (shape.size() != 3)
        throw ImportError(QStringLiteral("%1: the matrix shape has %2 entries, not 3").arg(where).arg(shape.size()));
    // The shape lists the slowest axis first: (z, y, x).
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const qlonglong size = shape[2 - i].toLongLong(&ok);
        if (!ok || size < 0)
            throw ImportError(QStringLiteral("%1: the matrix shape entry %2 is not a size").arg(where, shape[2 - i].toString()));
        entry->sizes[i] = uint64_t(size);
    }
    checkGrid(where, entry->sizes[0], entry->sizes[1], entry->sizes[2]);
}

void readSpacing(const QVariantMap &plist, MatrixEntry *entry)
{
    const QVariantList spacing = plist.value(QStringLiteral("spacing")).toList();
    if (spacing.size() != 3)
        return;
    for (int axis = 0; axis < 3; ++axis) {
        bool ok = false;
        entry->spacing[axis] = spacing[axis].toDouble(&ok);
        if (!ok || !std::isfinite(entry->spacing[axis]) || entry->spacing[axis] <= 0.0)
            return;
    }
    entry->hasSpacing = true;
}

// InVesalius stacks axial slices from the feet up, as DICOM sorts them, but stores each
// slice upside down compared with DICOM: its first row is the back of the head. The project
// keeps no position, so the origin stays at 0. Of other acquisitions ("orientation" 2 and 3,
// coronal and sagittal) the project does not say how it stored them.
PatientFrame frameOf(const QVariantMap &plist)
{
    const QVariant orientation = plist.value(QStringLiteral("orientation"));
    PatientFrame frame;
    frame.known = orientation.toString() == QLatin1String("1") || orientation.toString() == QLatin1String("AXIAL");
    if (frame.known)
        frame.axes = {{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
    return frame;
}

MatrixEntry readMatrixEntry(const QString &path, const QByteArray &text)
{
    const QString where = path + QStringLiteral(" main.plist");
    const QVariantMap plist = parsePlist(text, where).toMap();
    const QVariantMap matrix = plist.value(QStringLiteral("matrix")).toMap();
    if (matrix.isEmpty())
        throw ImportError(QStringLiteral("%1: no matrix entry").arg(where));
    MatrixEntry entry;
    entry.fileName = matrix.value(QStringLiteral("filename")).toString();
    if (entry.fileName.isEmpty())
        throw ImportError(QStringLiteral("%1: the matrix entry names no file").arg(where));
    readShape(where, matrix, &entry);
    const QString dtype = matrix.value(QStringLiteral("dtype")).toString();
    if (!parseSampleTypeName(dtype, &entry.type))
        throw ImportError(QStringLiteral("%1: dtype \"%2\" is not supported").arg(where, dtype));
    readSpacing(plist, &entry);
    entry.frame = frameOf(plist);
    entry.modality = plist.value(QStringLiteral("modality")).toString().trimmed();
    return entry;
}

// One pass over the archive's members, front to back, as libarchive streams them.
class ArchiveWalk
{
public:
    explicit ArchiveWalk(const QString &path)
        : path(path)
        , reader(archive_read_new(), archive_read_free)
    {
        archive_read_support_filter_gzip(reader.get());
        archive_read_support_format_tar(reader.get());
        if (archive_read_open_filename(reader.get(), path.toLocal8Bit().constData(), readBlock) != ARCHIVE_OK)
            refuse();
    }

    // Moves to the next regular file; false at the end of the archive.
    bool next(QString *name, la_int64_t *size)
    {
        for (;;) {
            archive_entry *entry = nullptr;
            const int status = archive_read_next_header(reader.get(), &entry);
            if (status == ARCHIVE_EOF)
                return false;
            if (status < ARCHIVE_WARN)
                refuse();
            checkGzip();
            if (archive_entry_filetype(entry) != AE_IFREG)
                continue;
            *name = withoutDotSlash(QString::fromUtf8(archive_entry_pathname_utf8(entry)
                                                          ? archive_entry_pathname_utf8(entry)
                                                          : archive_entry_pathname(entry)));
            *size = archive_entry_size(entry);
            return true;
        }
    }

    // Reads `count` bytes of the current member; refuses when it ends first.
    void read(void *buffer, uint64_t count, const QString &member)
    {
        auto *bytes = static_cast<unsigned char *>(buffer);
        uint64_t done = 0;
        while (done < count) {
            const la_ssize_t got = archive_read_data(reader.get(), bytes + done, size_t(std::min<uint64_t>(count - done, readBlock)));
            if (got < 0)
                refuse();
            if (got == 0)
                throw ImportError(QStringLiteral("%1: %2 ends after %3 of %4 bytes").arg(path, member).arg(done).arg(count));
            done += uint64_t(got);
        }
    }

private:
    void checkGzip()
    {
        if (archive_filter_code(reader.get(), 0) != ARCHIVE_FILTER_GZIP)
            throw ImportError(QStringLiteral("%1: not an InVesalius project (not gzip-compressed)").arg(path));
    }

    [[noreturn]] void refuse()
    {
        const char *reason = archive_error_string(reader.get());
        throw ImportError(QStringLiteral("%1: not a readable InVesalius project (%2)")
                              .arg(path, QString::fromLocal8Bit(reason ? reason : "cannot be read")));
    }

    QString path;
    std::unique_ptr<struct archive, int (*)(struct archive *)> reader;
};

// Finds main.plist and the name of the sample file it names.
MatrixEntry findMatrixEntry(const QString &path, QString *matrixName)
{
    ArchiveWalk walk(path);
    QString name;
    la_int64_t size = 0;
    while (walk.next(&name, &size)) {
        if (!isMainPlist(name))
            continue;
        if (size < 0 || size > maxPlistSize)
            throw ImportError(QStringLiteral("%1: main.plist is larger than %2 bytes").arg(path).arg(maxPlistSize));
        QByteArray text(int(size), '\0');
        walk.read(text.data(), uint64_t(size), name);
        const MatrixEntry entry = readMatrixEntry(path, text);
        *matrixName = folderOf(name) + entry.fileName;
        return entry;
    }
    throw ImportError(QStringLiteral("%1: not an InVesalius project (no main.plist)").arg(path));
}

void readMatrix(const QString &path, const QString &matrixName, SourceVolume *volume, const ImportProgress &progress)
{
    ArchiveWalk walk(path);
    QString name;
    la_int64_t size = 0;
    while (walk.next(&name, &size)) {
        if (name != matrixName)
            continue;
        if (uint64_t(std::max<la_int64_t>(size, 0)) < volume->dataBytes())
            throw ImportError(QStringLiteral("%1: %2 holds %3 bytes; its shape needs %4")
                                  .arg(path, matrixName)
                                  .arg(size)
                                  .arg(volume->dataBytes()));
        allocateSamples(path, volume, progress);
        const uint64_t total = volume->dataBytes();
        for (uint64_t done = 0; done < total; done += progressChunk) {
            checkCancel(path, progress);
            walk.read(volume->bytes.data() + done, std::min(progressChunk, total - done), matrixName);
            progress.report(double(std::min(done + progressChunk, total)) / double(total));
        }
        return;
    }
    throw ImportError(QStringLiteral("%1: %2, named in main.plist, is missing").arg(path, matrixName));
}

bool isGzip(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "\x1f\x8b";
}

} // namespace

SourceVolume readInvesaliusProject(const QString &path, const GridLimits &limits, const ImportProgress &progress)
{
    // libarchive does not check the gzip stream's checksum; damaged samples would pass.
    if (isGzip(path))
        StoredData::checkCompressed(path, 0, 0);
    QString matrixName;
    const MatrixEntry matrix = findMatrixEntry(path, &matrixName);
    SourceVolume volume;
    volume.format = "InVesalius";
    volume.files.push_back(path.toStdString());
    std::copy(matrix.sizes, matrix.sizes + 3, volume.sizes);
    std::copy(matrix.spacing, matrix.spacing + 3, volume.spacing);
    volume.hasSpacing = matrix.hasSpacing;
    volume.frame = matrix.frame;
    volume.modality = matrix.modality.toStdString();
    volume.type = matrix.type;
    checkLimits(path, volume, limits);
    readMatrix(path, matrixName, &volume, progress);
    if (QSysInfo::ByteOrder == QSysInfo::BigEndian)
        swapSampleBytes(volume.bytes.data(), volume.sampleCount(), volume.type);
    return volume;
}
