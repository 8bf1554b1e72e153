#include "BenchScene.h"

#include <QFile>

#include <algorithm>
#include <cmath>

uint16_t benchSample(int x, int y, int z)
{
    const double c = benchSceneSize / 2.0;
    const double r = std::sqrt((x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c)) / c;
    const double v = 4095.0 * std::max(0.0, 1.0 - r) + 300.0 * std::sin(0.2 * x) * std::sin(0.23 * y) * std::sin(0.19 * z);
    return uint16_t(std::clamp(v, 0.0, 4095.0));
}

bool writeBenchScene(const QString &path)
{
    const int n = benchSceneSize;
    std::vector<uint16_t> data(3 + size_t(n) * n * n);
    data[0] = data[1] = data[2] = uint16_t(n);
    size_t i = 3;
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                data[i++] = benchSample(x, y, z);
    QFile file(path);
    const qint64 bytes = qint64(data.size() * sizeof(uint16_t));
    // The .dat format is little-endian, as is every machine this runs on.
    return file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char *>(data.data()), bytes) == bytes;
}

std::vector<uint32_t> benchTransferTable()
{
    std::vector<uint32_t> table(4096);
    for (int i = 0; i < 4096; ++i) {
        const uint32_t a = uint32_t(std::min(i, 4095 - i) * 255 / 2048);
        table[size_t(i)] = (a * a / 255) << 24 | 0x00FFFFFFu;
    }
    return table;
}

std::vector<uint32_t> tableFromStops(const std::vector<SampleStop> &stops)
{
    std::vector<uint32_t> table(4096, 0u);
    for (size_t s = 0; s + 1 < stops.size(); ++s) {
        const SampleStop &a = stops[s], &b = stops[s + 1];
        for (int i = int(std::ceil(a.sample)); i <= int(std::floor(b.sample)) && i < 4096; ++i) {
            if (i < 0)
                continue;
            const double t = b.sample > a.sample ? (i - a.sample) / (b.sample - a.sample) : 1.0;
            const uint32_t grey = uint32_t(std::lround(255.0 * (a.grey + t * (b.grey - a.grey))));
            const uint32_t alpha = uint32_t(std::lround(255.0 * (a.alpha + t * (b.alpha - a.alpha))));
            table[size_t(i)] = alpha << 24 | grey << 16 | grey << 8 | grey;
        }
    }
    return table;
}

std::vector<SampleStop> skinStops(int lo, int hi)
{
    return {{double(lo), 0.0, 0.0}, {(lo + hi) / 2.0, 1.0, 1.0}, {double(hi), 0.0, 0.0}};
}

std::vector<SampleStop> boneStops()
{
    return {{0.0, 1.0, 0.0}, {2200.0, 1.0, 0.0}, {3000.0, 1.0, 1.0}, {4095.0, 1.0, 1.0}};
}

bool copyShaderFiles(const QString &dir)
{
    for (const char *name : {"shader1.vert", "shader1.frag", "slice_shader.vert", "slice_shader.frag"}) {
        QFile::remove(dir + "/" + name);
        if (!QFile::copy(QStringLiteral(SHADER_SOURCE_DIR "/") + name, dir + "/" + name))
            return false;
    }
    return true;
}
