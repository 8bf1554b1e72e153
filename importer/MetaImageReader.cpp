#include "MetaImageReader.h"

#include "ImportError.h"
#include "TextHeader.h"

#include <QHash>

namespace {

struct ElementTypeName {
    const char *name;
    SampleType type;
};

const ElementTypeName elementTypes[] = {
    {"MET_CHAR", SampleType::Int8},     {"MET_UCHAR", SampleType::UInt8},   {"MET_SHORT", SampleType::Int16},
    {"MET_USHORT", SampleType::UInt16}, {"MET_INT", SampleType::Int32},     {"MET_UINT", SampleType::UInt32},
    {"MET_FLOAT", SampleType::Float32}, {"MET_DOUBLE", SampleType::Float64},
};

// Keys compare without case: writers differ in how they spell them.
using Fields = QHash<QString, QString>;

// Reads "Key = Value" lines up to ElementDataFile, which is always the last one: the data
// of a LOCAL file starts right after that line.
Fields readFields(const QString &path, TextHeader *header)
{
    Fields fields;
    QByteArray line;
    while (header->nextLine(&line)) {
        if (line.trimmed().isEmpty())
            continue;
        const int separator = line.indexOf('=');
        if (separator <= 0)
            throw ImportError(QStringLiteral("%1: header line %2 is not \"Key = Value\"").arg(path).arg(header->lineNumber()));
        const QString key = QString::fromLatin1(line.left(separator)).trimmed().toLower();
        fields.insert(key, QString::fromUtf8(line.mid(separator + 1)).trimmed());
        if (key == QLatin1String("elementdatafile"))
            return fields;
    }
    throw ImportError(QStringLiteral("%1: not a MetaImage header (no ElementDataFile line)").arg(path));
}

QString requiredField(const QString &path, const Fields &fields, const char *name)
{
    const QString value = fields.value(QString::fromLatin1(name).toLower());
    if (value.isEmpty())
        throw ImportError(QStringLiteral("%1: the header has no %2").arg(path, QString::fromLatin1(name)));
    return value;
}

bool readBoolean(const QString &path, const Fields &fields, const char *name)
{
    const QString value = fields.value(QString::fromLatin1(name).toLower(), QStringLiteral("False")).toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("false") || value == QLatin1String("0"))
        return false;
    throw ImportError(QStringLiteral("%1: %2 \"%3\" is neither True nor False").arg(path, QString::fromLatin1(name), value));
}

void checkOneScalarImage(const QString &path, const Fields &fields)
{
    const QString objectType = fields.value(QStringLiteral("objecttype"), QStringLiteral("Image"));
    if (objectType.compare(QLatin1String("Image"), Qt::CaseInsensitive) != 0)
        throw ImportError(QStringLiteral("%1: ObjectType %2 is not an image").arg(path, objectType));
    const QString dims = requiredField(path, fields, "NDims");
    if (dims != QLatin1String("3"))
        throw ImportError(QStringLiteral("%1: NDims %2; only 3D volumes can be imported").arg(path, dims));
    const QString channels = fields.value(QStringLiteral("elementnumberofchannels"), QStringLiteral("1"));
    if (channels != QLatin1String("1"))
        throw ImportError(QStringLiteral("%1: %2 channels per element; only one can be imported").arg(path, channels));
    const QString binary = fields.value(QStringLiteral("binarydata"), QStringLiteral("True"));
    if (binary.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        throw ImportError(QStringLiteral("%1: data written as text is not supported").arg(path));
}

SampleType readElementType(const QString &path, const Fields &fields)
{
    const QString name = requiredField(path, fields, "ElementType");
    for (const ElementTypeName &entry : elementTypes) {
        if (name == QLatin1String(entry.name))
            return entry.type;
    }
    throw ImportError(QStringLiteral("%1: ElementType %2 is not supported").arg(path, name));
}

bool readBigEndian(const QString &path, const Fields &fields)
{
    for (const char *name : {"BinaryDataByteOrderMSB", "ElementByteOrderMSB", "ByteOrderMSB"}) {
        if (fields.contains(QString::fromLatin1(name).toLower()))
            return readBoolean(path, fields, name);
    }
    return false;
}

// For a separate file, HeaderSize bytes precede the data, and -1 (uncompressed only)
// means the data fills the end of the file.
void placeDetachedData(const QString &path, const Fields &fields, VolumeSource *source)
{
    const int64_t headerSize = parseSkip(path, QStringLiteral("HeaderSize"), fields.value(QStringLiteral("headersize"), QStringLiteral("0")));
    if (headerSize >= 0) {
        source->dataOffset = headerSize;
        return;
    }
    if (source->compressed)
        throw ImportError(QStringLiteral("%1: HeaderSize -1 needs uncompressed data").arg(path));
    QFile dataFile(source->dataPath);
    if (!dataFile.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1: cannot open: %2").arg(source->dataPath, dataFile.errorString()));
    if (uint64_t(dataFile.size()) < source->dataBytes())
        throw ImportError(QStringLiteral("%1: %2 bytes are fewer than the %3 bytes the sizes need")
                              .arg(source->dataPath)
                              .arg(dataFile.size())
                              .arg(source->dataBytes()));
    source->dataOffset = dataFile.size() - int64_t(source->dataBytes());
}

} // namespace

VolumeSource readMetaImageHeader(const QString &path)
{
    TextHeader header(path);
    const Fields fields = readFields(path, &header);
    checkOneScalarImage(path, fields);

    VolumeSource source;
    uint64_t sizes[3];
    parseThreeSizes(path, QStringLiteral("DimSize"), requiredField(path, fields, "DimSize"), sizes);
    source.sizeX = sizes[0];
    source.sizeY = sizes[1];
    source.sizeZ = sizes[2];
    source.type = readElementType(path, fields);
    source.bigEndian = readBigEndian(path, fields);
    source.compressed = readBoolean(path, fields, "CompressedData");

    const QString dataFile = requiredField(path, fields, "ElementDataFile");
    const bool local = dataFile.compare(QLatin1String("LOCAL"), Qt::CaseInsensitive) == 0;
    if (dataFile.startsWith(QLatin1String("LIST")) || dataFile.contains(QLatin1Char('%')))
        throw ImportError(QStringLiteral("%1: data split over several files is not supported").arg(path));
    source.format = QStringLiteral("MetaImage (%1, %2)")
                        .arg(source.compressed ? QStringLiteral("compressed") : QStringLiteral("uncompressed"),
                             local ? QStringLiteral("local data") : QStringLiteral("data file"));
    if (local) {
        source.dataPath = path;
        source.dataOffset = header.position();
    } else {
        source.dataPath = dataFileBesideHeader(path, dataFile);
        placeDetachedData(path, fields, &source);
    }
    return source;
}
