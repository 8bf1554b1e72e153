#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The benchmark scene shared by the frame benchmarks of this viewer and of the peer
// renderer: a 256^3 volume with
//   sample(x, y, z) = clip(4095 * max(0, 1 - r) + 300 * sin(0.2 x) sin(0.23 y) sin(0.19 z), 0, 4095),
// r = distance from (128, 128, 128) divided by 128, and a white transfer function with
//   alpha(i) = a * a / 255, a = min(i, 4095 - i) * 255 / 2048 (integer arithmetic).
constexpr int benchSceneSize = 256;

uint16_t benchSample(int x, int y, int z);
bool writeBenchScene(const QString &path);
// Table words 0xAARRGGBB, entry i for sample value i.
std::vector<uint32_t> benchTransferTable();
bool copyShaderFiles(const QString &dir);
