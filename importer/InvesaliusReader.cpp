#include "InvesaliusReader.h"

#include "ByteStream.h"
#include "ImportError.h"
#include "PlistReader.h"
#include "TarReader.h"

#include <QHash>
#include <QVariantList>
#include <QVariantMap>

namespace {

constexpr uint64_t maxPlistSize = 1 << 20;

struct MatrixEntry
{
    QString fileName;
    // x, y, z
    uint64_t sizes[3] = {0, 0, 0};
    SampleType type = SampleType::Int16;
};

QString withoutDotSlash(const QString &name)
{
    return name.startsWith(QLatin1String("./")) ? name.mid(2) : name;
}

// main.plist at the top of the archive or inside its one folder; deeper ones belong to
// something else.
bool isMainPlist(const QString &name)
{
    const QStringList parts = withoutDotSlash(name).split(QLatin1Char('/'));
    return parts.last() == QLatin1String("main.plist") && parts.size() <= 2;
}

QString folderOf(const QString &name)
{
    const QString plain = withoutDotSlash(name);
    const int slash = plain.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : plain.left(slash + 1);
}

MatrixEntry readMatrixEntry(const QString &path, const QByteArray &plist)
{
    const QString where = path + QStringLiteral(" main.plist");
    const QVariantMap matrix = parsePlist(plist, where).toMap().value(QStringLiteral("matrix")).toMap();
    if (matrix.isEmpty())
        throw ImportError(QStringLiteral("%1: no matrix entry").arg(where));
    MatrixEntry entry;
    entry.fileName = matrix.value(QStringLiteral("filename")).toString();
    if (entry.fileName.isEmpty())
        throw ImportError(QStringLiteral("%1: the matrix entry names no file").arg(where));
    const QVariantList shape = matrix.value(QStringLiteral("shape")).toList();
    if (shape.size() != 3)
        throw ImportError(QStringLiteral("%1: the matrix shape has %2 entries, not 3").arg(where).arg(shape.size()));
    // The shape lists the slowest axis first: (z, y, x).
    for (int i = 0; i < 3; ++i) {
        const qlonglong size = shape[2 - i].toLongLong();
        entry.sizes[i] = size < 0 ? 0 : uint64_t(size);
    }
    checkDatSizes(where, entry.sizes[0], entry.sizes[1], entry.sizes[2]);
    const QString dtype = matrix.value(QStringLiteral("dtype")).toString();
    if (!parseSampleTypeName(dtype, &entry.type))
        throw ImportError(QStringLiteral("%1: dtype \"%2\" is not supported").arg(where, dtype));
    return entry;
}

} // namespace

VolumeSource readInvesaliusProject(const QString &path)
{
    ByteStream stream(path);
    if (!ByteStream::isGzipFile(path))
        throw ImportError(QStringLiteral("%1: not an InVesalius project (not gzip-compressed)").arg(path));
    stream.startInflating();
    TarReader tar(stream);

    QHash<QString, TarMember> members;
    MatrixEntry matrix;
    QString matrixName;
    TarMember member;
    while (tar.next(&member)) {
        const QString name = withoutDotSlash(member.name);
        members.insert(name, member);
        if (matrixName.isEmpty() && isMainPlist(name)) {
            matrix = readMatrixEntry(path, tar.readContents(maxPlistSize));
            matrixName = folderOf(name) + matrix.fileName;
        }
        if (!matrixName.isEmpty() && members.contains(matrixName))
            break;
    }
    if (matrixName.isEmpty())
        throw ImportError(QStringLiteral("%1: not an InVesalius project (no main.plist)").arg(path));
    if (!members.contains(matrixName))
        throw ImportError(QStringLiteral("%1: %2, named in main.plist, is missing").arg(path, matrixName));

    VolumeSource source;
    source.format = QStringLiteral("InVesalius project");
    source.sizeX = matrix.sizes[0];
    source.sizeY = matrix.sizes[1];
    source.sizeZ = matrix.sizes[2];
    source.type = matrix.type;
    source.dataPath = path;
    source.compressed = true;
    const TarMember data = members.value(matrixName);
    source.skipInStream = data.offset;
    if (data.size < source.dataBytes())
        throw ImportError(QStringLiteral("%1: %2 holds %3 bytes; its shape needs %4")
                              .arg(path, matrixName)
                              .arg(data.size)
                              .arg(source.dataBytes()));
    return source;
}
