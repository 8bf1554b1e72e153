// Fuzz target of the measurements file: every input is decoded as the keeper decodes a
// volume's file, and what is read is checked and written back.
//
// Besides the sanitizers' checks: a file is used whole or not at all (a refused one yields
// no measurements, a damaged one names a line of it), every measurement read lies on its
// grid with the right number of points, and measurements written from what was read read
// back the same.

#include "MeasurementFile.h"
#include "MeasurementGeometry.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_measurementsfile: %s\n", what);
    std::abort();
}

void checkOnGrid(const MeasurementFile::Decoded &decoded)
{
    const std::array<int, 3> &size = decoded.grid.size;
    check(int(decoded.measurements.size()) <= MeasurementFile::maxMeasurements, "more measurements than a file holds");
    for (const Measurement &m : decoded.measurements) {
        check(m.sliceAxis >= 0 && m.sliceAxis < 3, "a slice axis that is none");
        check(m.slice >= 0 && m.slice < size[size_t(m.sliceAxis)], "a slice off the grid");
        check(int(m.points.size()) == pointCount(m.kind), "a measurement with the wrong number of points");
        for (const VoxelPoint &p : m.points) {
            check(p == clampedToSlice(p, m.sliceAxis, m.slice, size), "a point off its slice");
            for (double coordinate : p)
                check(std::isfinite(coordinate), "a coordinate that is not a number");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const MeasurementFile::Decoded decoded = MeasurementFile::decode(bytes);
    const MeasurementFile::Grid volume{{256, 256, 108}, {0.9375, 0.9375, 1.5}};
    const QString refusal = MeasurementFile::refusal(decoded, volume);
    if (decoded.verdict != MeasurementFile::Verdict::Read) {
        check(decoded.measurements.empty(), "measurements kept from a refused file");
        check(!refusal.isEmpty(), "a refused file without a reason");
        check((decoded.verdict == MeasurementFile::Verdict::Damaged) == (decoded.line >= 2), "a damaged file without its line");
        return 0;
    }
    checkOnGrid(decoded);
    const QByteArray written = MeasurementFile::encode(decoded.grid, decoded.measurements);
    const MeasurementFile::Decoded again = MeasurementFile::decode(written);
    check(again.verdict == MeasurementFile::Verdict::Read, "written measurements that do not read back");
    check(again.measurements == decoded.measurements && again.grid.sameAs(decoded.grid), "written measurements that read back changed");
    return 0;
}
