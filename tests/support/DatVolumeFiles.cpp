#include "DatVolumeFiles.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

void appendLittleEndian(std::vector<char> &bytes, uint16_t value)
{
    bytes.push_back(char(value & 0xFF));
    bytes.push_back(char(value >> 8));
}

} // namespace

bool writeVolumeFile(const QString &path, int sizeX, int sizeY, int sizeZ, const SampleFunction &sample)
{
    std::vector<char> bytes;
    bytes.reserve(6 + 2 * size_t(sizeX) * sizeY * sizeZ);
    appendLittleEndian(bytes, uint16_t(sizeX));
    appendLittleEndian(bytes, uint16_t(sizeY));
    appendLittleEndian(bytes, uint16_t(sizeZ));
    for (int z = 0; z < sizeZ; ++z)
        for (int y = 0; y < sizeY; ++y)
            for (int x = 0; x < sizeX; ++x)
                appendLittleEndian(bytes, sample(x, y, z));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

uint16_t ballSample(int x, int y, int z, int sizeX, int sizeY, int sizeZ)
{
    const double cx = (sizeX - 1) / 2.0, cy = (sizeY - 1) / 2.0, cz = (sizeZ - 1) / 2.0;
    const double radius = std::min({cx, cy, cz}) + 0.5;
    const double r = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz)) / radius;
    return uint16_t(std::clamp(4095.0 * (1.0 - r), 0.0, 4095.0));
}

uint16_t rampSample(int x, int y, int z)
{
    return uint16_t(1000 + (x + 16 * y + 256 * z) % 2001);
}

QByteArray datHeader(int sizeX, int sizeY, int sizeZ)
{
    QByteArray header;
    for (int size : {sizeX, sizeY, sizeZ})
        header.append(char(size & 0xFF)).append(char(size >> 8));
    return header;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool copyShaders(const QString &dir)
{
    for (const char *name : {"shader1.vert", "shader1.frag", "slice_shader.vert", "slice_shader.frag"}) {
        const QString target = dir + "/" + name;
        QFile::remove(target);
        if (!QFile::copy(QStringLiteral(SHADER_SOURCE_DIR "/") + name, target))
            return false;
    }
    return true;
}
