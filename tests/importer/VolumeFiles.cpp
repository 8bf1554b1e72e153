#include "VolumeFiles.h"

#include <QFile>

#include <zlib.h>

#include <cstring>

namespace VolumeFiles {

void putNumber(QByteArray *bytes, int offset, uint64_t value, int size, bool bigEndian)
{
    for (int i = 0; i < size; ++i) {
        const int shift = 8 * (bigEndian ? size - 1 - i : i);
        (*bytes)[offset + i] = char((value >> shift) & 0xff);
    }
}

QByteArray encodeSamples(const QVector<double> &values, SampleType type, bool bigEndian)
{
    const int size = sampleTypeSize(type);
    QByteArray bytes(values.size() * size, '\0');
    for (int i = 0; i < values.size(); ++i) {
        uint64_t bits = 0;
        if (type == SampleType::Float32) {
            const float value = float(values[i]);
            uint32_t word;
            std::memcpy(&word, &value, sizeof word);
            bits = word;
        } else if (type == SampleType::Float64) {
            std::memcpy(&bits, &values[i], sizeof bits);
        } else {
            bits = uint64_t(int64_t(values[i]));
        }
        putNumber(&bytes, i * size, bits, size, bigEndian);
    }
    return bytes;
}

static QByteArray deflateWith(const QByteArray &data, int windowBits)
{
    z_stream z;
    std::memset(&z, 0, sizeof z);
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    return out;
}

QByteArray gzip(const QByteArray &data)
{
    return deflateWith(data, 15 + 16);
}

QByteArray zlib(const QByteArray &data)
{
    return deflateWith(data, 15);
}

int niftiDatatype(SampleType type)
{
    switch (type) {
    case SampleType::UInt8: return 2;
    case SampleType::Int8: return 256;
    case SampleType::UInt16: return 512;
    case SampleType::Int16: return 4;
    case SampleType::UInt32: return 768;
    case SampleType::Int32: return 8;
    case SampleType::Float32: return 16;
    case SampleType::Float64: return 64;
    }
    return 0;
}

static uint32_t floatBits(double value)
{
    const float f = float(value);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

QByteArray nifti(const int sizes[3], SampleType type, bool bigEndian, const QByteArray &samples, double slope,
                 double intercept, int voxOffset)
{
    QByteArray header(voxOffset, '\0');
    putNumber(&header, 0, 348, 4, bigEndian);
    putNumber(&header, 40, 3, 2, bigEndian);
    for (int axis = 0; axis < 3; ++axis)
        putNumber(&header, 42 + 2 * axis, uint64_t(sizes[axis]), 2, bigEndian);
    for (int axis = 3; axis < 7; ++axis)
        putNumber(&header, 42 + 2 * axis, 1, 2, bigEndian);
    putNumber(&header, 70, uint64_t(niftiDatatype(type)), 2, bigEndian);
    putNumber(&header, 72, uint64_t(8 * sampleTypeSize(type)), 2, bigEndian);
    putNumber(&header, 108, floatBits(voxOffset), 4, bigEndian);
    putNumber(&header, 112, floatBits(slope), 4, bigEndian);
    putNumber(&header, 116, floatBits(intercept), 4, bigEndian);
    header.replace(344, 4, QByteArray("n+1\0", 4));
    return header + samples;
}

static uint64_t doubleBits(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

QByteArray nifti2(const int sizes[3], SampleType type, bool bigEndian, const QByteArray &samples, double slope,
                  double intercept, int voxOffset)
{
    QByteArray header(voxOffset, '\0');
    putNumber(&header, 0, 540, 4, bigEndian);
    header.replace(4, 8, QByteArray("n+2\0\r\n\032\n", 8));
    putNumber(&header, 12, uint64_t(niftiDatatype(type)), 2, bigEndian);
    putNumber(&header, 14, uint64_t(8 * sampleTypeSize(type)), 2, bigEndian);
    putNumber(&header, 16, 3, 8, bigEndian);
    for (int axis = 0; axis < 7; ++axis)
        putNumber(&header, 24 + 8 * axis, axis < 3 ? uint64_t(sizes[axis]) : 1, 8, bigEndian);
    for (int axis = 0; axis < 8; ++axis)
        putNumber(&header, 104 + 8 * axis, doubleBits(1.0), 8, bigEndian);
    putNumber(&header, 168, uint64_t(voxOffset), 8, bigEndian);
    putNumber(&header, 176, doubleBits(slope), 8, bigEndian);
    putNumber(&header, 184, doubleBits(intercept), 8, bigEndian);
    return header + samples;
}

static QByteArray tarHeader(const QString &name, int size)
{
    QByteArray block(512, '\0');
    const QByteArray path = name.toUtf8();
    block.replace(0, path.size(), path);
    block.replace(100, 8, QByteArray("0000644\0", 8));
    block.replace(108, 8, QByteArray("0000000\0", 8));
    block.replace(116, 8, QByteArray("0000000\0", 8));
    block.replace(124, 12, QByteArray::number(size, 8).rightJustified(11, '0') + '\0');
    block.replace(136, 12, QByteArray("00000000000\0", 12));
    block[156] = '0';
    block.replace(257, 8, QByteArray("ustar\0" "00", 8));
    block.replace(148, 8, QByteArray(8, ' '));
    int sum = 0;
    for (char c : block)
        sum += uint8_t(c);
    block.replace(148, 8, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
    return block;
}

QByteArray tar(const QList<QPair<QString, QByteArray>> &members)
{
    QByteArray archive;
    for (const auto &member : members) {
        archive += tarHeader(member.first, member.second.size());
        archive += member.second;
        archive += QByteArray((512 - member.second.size() % 512) % 512, '\0');
    }
    return archive + QByteArray(1024, '\0');
}

QByteArray invesaliusPlist(const QString &fileName, const int shape[3], const QString &dtype)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n<dict>\n"
               "\t<key>masks</key>\n\t<dict>\n\t\t<key>0</key>\n\t\t<string>mask_0.plist</string>\n\t</dict>\n"
               "\t<key>matrix</key>\n\t<dict>\n"
               "\t\t<key>dtype</key>\n\t\t<string>%1</string>\n"
               "\t\t<key>filename</key>\n\t\t<string>%2</string>\n"
               "\t\t<key>shape</key>\n\t\t<array>\n\t\t\t<integer>%3</integer>\n\t\t\t<integer>%4</integer>\n"
               "\t\t\t<integer>%5</integer>\n\t\t</array>\n\t</dict>\n"
               "\t<key>modality</key>\n\t<string>CT</string>\n"
               "\t<key>spacing</key>\n\t<array>\n\t\t<real>0.95</real>\n\t\t<real>0.95</real>\n\t\t<real>1.5</real>\n\t</array>\n"
               "</dict>\n</plist>\n")
        .arg(dtype, fileName)
        .arg(shape[0])
        .arg(shape[1])
        .arg(shape[2])
        .toUtf8();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

Dat readDat(const QString &path)
{
    Dat dat;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dat;
    const QByteArray bytes = file.readAll();
    auto word = [&bytes](int at) { return int(uint8_t(bytes[at])) | int(uint8_t(bytes[at + 1])) << 8; };
    if (bytes.size() < 6)
        return dat;
    for (int axis = 0; axis < 3; ++axis)
        dat.sizes[axis] = word(2 * axis);
    const qint64 count = qint64(dat.sizes[0]) * dat.sizes[1] * dat.sizes[2];
    if (bytes.size() != 6 + 2 * count)
        return dat;
    dat.samples.resize(int(count));
    for (int i = 0; i < count; ++i)
        dat.samples[i] = word(6 + 2 * i);
    dat.ok = true;
    return dat;
}

} // namespace VolumeFiles
