#include "NrrdReader.h"

#include "ImportError.h"
#include "TextHeader.h"

#include <QHash>

namespace {

struct TypeName {
    const char *name;
    SampleType type;
};

// Every spelling the format allows for the types that can be imported.
const TypeName typeNames[] = {
    {"signed char", SampleType::Int8}, {"int8", SampleType::Int8}, {"int8_t", SampleType::Int8},
    {"uchar", SampleType::UInt8}, {"unsigned char", SampleType::UInt8}, {"uint8", SampleType::UInt8},
    {"uint8_t", SampleType::UInt8},
    {"short", SampleType::Int16}, {"short int", SampleType::Int16}, {"signed short", SampleType::Int16},
    {"signed short int", SampleType::Int16}, {"int16", SampleType::Int16}, {"int16_t", SampleType::Int16},
    {"ushort", SampleType::UInt16}, {"unsigned short", SampleType::UInt16},
    {"unsigned short int", SampleType::UInt16}, {"uint16", SampleType::UInt16}, {"uint16_t", SampleType::UInt16},
    {"int", SampleType::Int32}, {"signed int", SampleType::Int32}, {"int32", SampleType::Int32},
    {"int32_t", SampleType::Int32},
    {"uint", SampleType::UInt32}, {"unsigned int", SampleType::UInt32}, {"uint32", SampleType::UInt32},
    {"uint32_t", SampleType::UInt32},
    {"float", SampleType::Float32},
    {"double", SampleType::Float64},
};

using Fields = QHash<QString, QString>;

// Field names compare without case and spaces, so "byte skip" and "byteskip" are one.
QString fieldKey(const QString &name)
{
    return name.toLower().remove(QLatin1Char(' '));
}

QString requiredField(const QString &path, const Fields &fields, const char *name)
{
    const QString value = fields.value(fieldKey(QString::fromLatin1(name)));
    if (value.isEmpty())
        throw ImportError(QStringLiteral("%1: the header has no \"%2\" field").arg(path, QString::fromLatin1(name)));
    return value;
}

// Reads the fields up to the blank line; returns whether there was one (the data of an
// attached file starts right after it).
bool readFields(const QString &path, TextHeader *header, Fields *fields)
{
    QByteArray line;
    if (!header->nextLine(&line) || !line.startsWith("NRRD000"))
        throw ImportError(QStringLiteral("%1: not a NRRD file (no NRRD000x magic)").arg(path));
    while (header->nextLine(&line)) {
        if (line.isEmpty())
            return true;
        if (line.startsWith('#'))
            continue;
        const int fieldSeparator = line.indexOf(": ");
        const int keyValueSeparator = line.indexOf(":=");
        if (keyValueSeparator >= 0 && (fieldSeparator < 0 || keyValueSeparator < fieldSeparator))
            continue;
        if (fieldSeparator <= 0)
            throw ImportError(QStringLiteral("%1: header line %2 is not a field").arg(path).arg(header->lineNumber()));
        const QString key = fieldKey(QString::fromLatin1(line.left(fieldSeparator)));
        const QString value = QString::fromUtf8(line.mid(fieldSeparator + 2)).trimmed();
        fields->insert(key, value);
        // The names of a file list follow their field, one a line, to the end of the header.
        if (key == QLatin1String("datafile") && value.startsWith(QLatin1String("LIST")))
            return false;
    }
    return false;
}

SampleType readType(const QString &path, const Fields &fields)
{
    const QString name = requiredField(path, fields, "type");
    for (const TypeName &entry : typeNames) {
        if (name == QLatin1String(entry.name))
            return entry.type;
    }
    throw ImportError(QStringLiteral("%1: type \"%2\" is not supported").arg(path, name));
}

bool readEndian(const QString &path, const Fields &fields, SampleType type)
{
    const QString endian = fields.value(QStringLiteral("endian"));
    if (endian == QLatin1String("big"))
        return true;
    if (endian == QLatin1String("little"))
        return false;
    if (endian.isEmpty() && sampleTypeSize(type) == 1)
        return false;
    if (endian.isEmpty())
        throw ImportError(QStringLiteral("%1: the header has no \"endian\" field").arg(path));
    throw ImportError(QStringLiteral("%1: endian \"%2\" is neither little nor big").arg(path, endian));
}

bool readCompressed(const QString &path, const Fields &fields)
{
    const QString encoding = requiredField(path, fields, "encoding");
    if (encoding == QLatin1String("raw"))
        return false;
    if (encoding == QLatin1String("gzip") || encoding == QLatin1String("gz"))
        return true;
    throw ImportError(QStringLiteral("%1: encoding \"%2\" is not supported (raw and gzip are)").arg(path, encoding));
}

QString readDataFile(const QString &path, const Fields &fields)
{
    const QString name = fields.value(QStringLiteral("datafile"));
    if (name.startsWith(QLatin1String("LIST")) || name.contains(QLatin1Char('%')))
        throw ImportError(QStringLiteral("%1: data split over several files is not supported").arg(path));
    return dataFileBesideHeader(path, name);
}

// Line skip counts lines of the file as stored; byte skip counts bytes of the file as
// stored for raw data, of the inflated stream for gzip, and -1 (raw only) puts the
// samples at the very end of the file.
void placeData(const QString &path, const Fields &fields, int64_t start, int64_t fileSize, VolumeSource *source)
{
    const uint64_t lineSkip = parseCount(path, QStringLiteral("line skip"), fields.value(QStringLiteral("lineskip"), QStringLiteral("0")));
    const int64_t byteSkip = parseSkip(path, QStringLiteral("byte skip"), fields.value(QStringLiteral("byteskip"), QStringLiteral("0")));
    source->dataOffset = lineSkip > 0 ? skipLines(source->dataPath, start, lineSkip) : start;
    if (source->compressed) {
        if (byteSkip < 0)
            throw ImportError(QStringLiteral("%1: byte skip -1 needs raw encoding").arg(path));
        source->skipInStream = uint64_t(byteSkip);
    } else if (byteSkip < 0) {
        if (uint64_t(fileSize) < source->dataBytes())
            throw ImportError(QStringLiteral("%1: %2 bytes are fewer than the %3 bytes the sizes need")
                                  .arg(source->dataPath)
                                  .arg(fileSize)
                                  .arg(source->dataBytes()));
        source->dataOffset = fileSize - int64_t(source->dataBytes());
    } else {
        source->dataOffset += byteSkip;
    }
}

} // namespace

VolumeSource readNrrdHeader(const QString &path)
{
    TextHeader header(path);
    Fields fields;
    const bool headerEnded = readFields(path, &header, &fields);

    const QString dimension = requiredField(path, fields, "dimension");
    if (dimension != QLatin1String("3"))
        throw ImportError(QStringLiteral("%1: dimension %2; only 3D volumes can be imported").arg(path, dimension));
    VolumeSource source;
    uint64_t sizes[3];
    parseThreeSizes(path, QStringLiteral("sizes"), requiredField(path, fields, "sizes"), sizes);
    source.sizeX = sizes[0];
    source.sizeY = sizes[1];
    source.sizeZ = sizes[2];
    source.type = readType(path, fields);
    source.bigEndian = readEndian(path, fields, source.type);
    source.compressed = readCompressed(path, fields);

    const bool detached = fields.contains(QStringLiteral("datafile"));
    source.format = QStringLiteral("NRRD (%1, %2)")
                        .arg(source.compressed ? QStringLiteral("gzip") : QStringLiteral("raw"),
                             detached ? QStringLiteral("detached") : QStringLiteral("attached"));
    if (!detached && !headerEnded)
        throw ImportError(QStringLiteral("%1: the header ends without the blank line before the data").arg(path));
    source.dataPath = detached ? readDataFile(path, fields) : path;
    int64_t dataFileSize = header.fileSize();
    if (detached) {
        QFile dataFile(source.dataPath);
        if (!dataFile.open(QIODevice::ReadOnly))
            throw ImportError(QStringLiteral("%1: cannot open: %2").arg(source.dataPath, dataFile.errorString()));
        dataFileSize = dataFile.size();
    }
    placeData(path, fields, detached ? 0 : header.position(), dataFileSize, &source);
    return source;
}
