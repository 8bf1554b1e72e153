#include "NiftiReader.h"

#include "ByteStream.h"
#include "ImportError.h"

#include <QByteArray>

#include <cmath>
#include <cstring>

namespace {

constexpr int headerSize = 348;
constexpr int offsetDim = 40;
constexpr int offsetDatatype = 70;
constexpr int offsetBitpix = 72;
constexpr int offsetVoxOffset = 108;
constexpr int offsetSclSlope = 112;
constexpr int offsetSclInter = 116;
constexpr int offsetMagic = 344;

// Reads the header's fields in the byte order its first field revealed.
class HeaderFields
{
public:
    HeaderFields(const QByteArray &bytes, bool bigEndian)
        : bytes(bytes)
        , bigEndian(bigEndian)
    {
    }

    uint32_t word(int offset, int size) const
    {
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const int at = bigEndian ? offset + i : offset + size - 1 - i;
            value = (value << 8) | uint8_t(bytes[at]);
        }
        return value;
    }
    int int16(int offset) const { return int16_t(uint16_t(word(offset, 2))); }
    float float32(int offset) const
    {
        const uint32_t bits = word(offset, 4);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const QByteArray &bytes;
    bool bigEndian;
};

bool sampleTypeOfDatatype(int datatype, SampleType *type)
{
    switch (datatype) {
    case 2: *type = SampleType::UInt8; return true;
    case 4: *type = SampleType::Int16; return true;
    case 8: *type = SampleType::Int32; return true;
    case 16: *type = SampleType::Float32; return true;
    case 64: *type = SampleType::Float64; return true;
    case 256: *type = SampleType::Int8; return true;
    case 512: *type = SampleType::UInt16; return true;
    case 768: *type = SampleType::UInt32; return true;
    default: return false;
    }
}

bool byteOrderOf(const QByteArray &header, bool *bigEndian)
{
    for (bool big : {false, true}) {
        if (HeaderFields(header, big).word(0, 4) == uint32_t(headerSize)) {
            *bigEndian = big;
            return true;
        }
    }
    return false;
}

void readSizes(const QString &path, const HeaderFields &fields, VolumeSource *source)
{
    const int rank = fields.int16(offsetDim);
    if (rank < 1 || rank > 7)
        throw ImportError(QStringLiteral("%1: dim[0] = %2 is not a number of dimensions").arg(path).arg(rank));
    uint64_t sizes[3] = {1, 1, 1};
    for (int axis = 1; axis <= rank; ++axis) {
        const int size = fields.int16(offsetDim + 2 * axis);
        if (size < 1)
            throw ImportError(QStringLiteral("%1: dim[%2] = %3 is not a size").arg(path).arg(axis).arg(size));
        if (axis <= 3)
            sizes[axis - 1] = uint64_t(size);
        else if (size > 1)
            throw ImportError(QStringLiteral("%1: holds %2 volumes along dim[%3]; only one 3D volume can be imported")
                                  .arg(path)
                                  .arg(size)
                                  .arg(axis));
    }
    checkDatSizes(path, sizes[0], sizes[1], sizes[2]);
    source->sizeX = sizes[0];
    source->sizeY = sizes[1];
    source->sizeZ = sizes[2];
}

void readSampleType(const QString &path, const HeaderFields &fields, VolumeSource *source)
{
    const int datatype = fields.int16(offsetDatatype);
    if (!sampleTypeOfDatatype(datatype, &source->type))
        throw ImportError(QStringLiteral("%1: datatype %2 is not supported (integers of 8 to 32 bits and floats only)")
                              .arg(path)
                              .arg(datatype));
    const int bitpix = fields.int16(offsetBitpix);
    if (bitpix != 8 * sampleTypeSize(source->type))
        throw ImportError(QStringLiteral("%1: bitpix %2 does not match datatype %3").arg(path).arg(bitpix).arg(datatype));
}

uint64_t readDataOffset(const QString &path, const HeaderFields &fields)
{
    const double voxOffset = fields.float32(offsetVoxOffset);
    if (!(voxOffset >= 352.0 && voxOffset <= 1.0e15) || voxOffset != std::floor(voxOffset))
        throw ImportError(QStringLiteral("%1: vox_offset %2 is not a byte offset past the header").arg(path).arg(voxOffset));
    return uint64_t(voxOffset);
}

// A slope of 0 (or one that is not a number) means the stored values are the values.
void readScaling(const HeaderFields &fields, VolumeSource *source)
{
    const double slope = fields.float32(offsetSclSlope);
    const double intercept = fields.float32(offsetSclInter);
    if (!std::isfinite(slope) || slope == 0.0)
        return;
    source->slope = slope;
    source->intercept = std::isfinite(intercept) ? intercept : 0.0;
}

} // namespace

VolumeSource readNiftiHeader(const QString &path)
{
    const bool compressed = ByteStream::isGzipFile(path);
    ByteStream stream(path);
    if (compressed)
        stream.startInflating();
    QByteArray header(headerSize, '\0');
    stream.readExactly(header.data(), headerSize, QStringLiteral("NIfTI header"));

    bool bigEndian = false;
    if (!byteOrderOf(header, &bigEndian))
        throw ImportError(QStringLiteral("%1: not a NIfTI-1 file (sizeof_hdr is not 348)").arg(path));
    const QByteArray magic = header.mid(offsetMagic, 4);
    if (magic == QByteArray("ni1\0", 4))
        throw ImportError(QStringLiteral("%1: header of a .hdr/.img pair; only single .nii files are supported").arg(path));
    if (magic != QByteArray("n+1\0", 4))
        throw ImportError(QStringLiteral("%1: not a NIfTI-1 file (magic is not n+1)").arg(path));

    const HeaderFields fields(header, bigEndian);
    VolumeSource source;
    source.format = compressed ? QStringLiteral("NIfTI-1 (gzip)") : QStringLiteral("NIfTI-1");
    source.bigEndian = bigEndian;
    readSizes(path, fields, &source);
    readSampleType(path, fields, &source);
    readScaling(fields, &source);
    source.dataPath = path;
    const uint64_t dataOffset = readDataOffset(path, fields);
    if (compressed) {
        source.compressed = true;
        source.skipInStream = dataOffset;
    } else {
        source.dataOffset = int64_t(dataOffset);
    }
    return source;
}
