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

// A transfer function as stops at sample values, linear in between; the table is
// transparent black below the first stop and above the last. The peer renderer is given
// the same stops.
struct SampleStop
{
    double sample;
    double grey;
    double alpha;
};
std::vector<uint32_t> tableFromStops(const std::vector<SampleStop> &stops);
// The viewer's default function over the volume's range lo..hi: transparent black at both
// ends, opaque white in the middle.
std::vector<SampleStop> skinStops(int lo, int hi);
// Transparent up to sample 2200, rising linearly to opaque white at 3000 and above.
std::vector<SampleStop> boneStops();
bool copyShaderFiles(const QString &dir);
