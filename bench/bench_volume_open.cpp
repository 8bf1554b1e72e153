// Times the opening of a volume as a whole and, apart from it, each of the steps that the
// open overlaps (read, clamp and histogram count, gradients slab by slab into one slab
// buffer, the texture's storage, the slab uploads), next to the baseline of reading the same
// file into a fresh buffer. The open reads and counts on one thread and encodes the slabs on
// another while the GL thread uploads them, so the whole takes less than the sum of its
// steps; the processor time of the whole open, all threads together, shows its work apart
// from how many cores were free. Prints the peak resident memory of one whole open above the
// process's baseline, and apart from it what the GL driver still holds once the volume is
// open (its copy of the texture).
//
// Usage: bench_volume_open [file.dat] [repetitions]; without a file (or with "") it generates a
// 512 x 512 x 512 volume in a temporary folder. Needs a display for the GL context
// (run it under xvfb-run on a headless machine).

#include "DatFile.h"
#include "OffscreenGLContext.h"
#include "ProcessMemory.h"
#include "DensityHistogram.h"
#include "LargeBuffer.h"
#include "SlabPipeline.h"
#include "Volume.h"
#include "VolumeTexture.h"
#include "VoxelEncoding.h"

#include <GL/glew.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A ball of decreasing density with a ripple through it, so that the gradients and the
// histogram see varied data.
bool writeBenchVolume(const std::string &path, int size)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const uint16_t header[3] = {uint16_t(size), uint16_t(size), uint16_t(size)};
    std::fwrite(header, sizeof header, 1, file);
    std::vector<double> ripple(size);
    for (int i = 0; i < size; ++i)
        ripple[i] = std::sin(0.2 * i);
    std::vector<uint16_t> slice(std::size_t(size) * size);
    const double centre = size / 2.0;
    for (int z = 0; z < size; ++z) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double r = std::sqrt((x - centre) * (x - centre) + (y - centre) * (y - centre)
                                           + (z - centre) * (z - centre)) / centre;
                const double value = 4095 * std::max(0.0, 1 - r) + 300 * ripple[x] * ripple[y] * ripple[z];
                slice[std::size_t(y) * size + x] = uint16_t(std::clamp(value, 0.0, 4095.0));
            }
        }
        std::fwrite(slice.data(), sizeof(uint16_t), slice.size(), file);
    }
    return std::fclose(file) == 0;
}

struct Phases
{
    double read = 0;
    double count = 0;
    double gradients = 0;
    double storage = 0;
    double upload = 0;

    double sum() const { return read + count + gradients + storage + upload; }
};

template <typename Work>
void forEachSlab(const SampleGrid &grid, int slabSlices, const Work &work)
{
    for (int firstZ = 0; firstZ < grid.sizeZ; firstZ += slabSlices)
        work(firstZ, std::min(firstZ + slabSlices, grid.sizeZ));
}

// The steps of a Volume's open one after another, through the same functions.
bool timePhases(const std::string &path, Phases &phases)
{
    Clock::time_point start = Clock::now();
    std::FILE *file = std::fopen(path.c_str(), "rb");
    DatHeader header;
    if (!file || !readDatHeader(file, header) || !datRefusal(header, regularFileBytes(file)).empty()) {
        if (file)
            std::fclose(file);
        return false;
    }
    const SampleGrid grid = adjustedGrid(header);
    uint16_t *samples = allocateLargeBuffer(grid.voxelCount());
    const bool read = samples && readDatSamples(file, header, samples);
    std::fclose(file);
    phases.read = millisecondsSince(start);
    if (!read) {
        releaseLargeBuffer(samples);
        return false;
    }

    start = Clock::now();
    DensityHistogram histogram;
    histogram.clampAndCount(samples, grid.voxelCount());
    phases.count = millisecondsSince(start);

    const int slabSlices = SlabPipeline(grid).slabSlices();
    uint16_t *slab = allocateLargeBuffer(4 * grid.sliceSize() * slabSlices);
    start = Clock::now();
    forEachSlab(grid, slabSlices,
                [&](int firstZ, int endZ) { encodeVoxelSlab(samples, grid, firstZ, endZ, slab, 1); });
    phases.gradients = millisecondsSince(start);

    start = Clock::now();
    GLuint texture = createVolumeTexture(grid);
    glFinish();
    phases.storage = millisecondsSince(start);

    start = Clock::now();
    forEachSlab(grid, slabSlices,
                [&](int firstZ, int endZ) { uploadVolumeSlab(texture, grid, firstZ, endZ, slab); });
    glFinish();
    phases.upload = millisecondsSince(start);

    releaseLargeBuffer(slab);
    releaseLargeBuffer(samples);
    glDeleteTextures(1, &texture);
    glFinish();
    return texture != 0;
}

// The processor time of every thread of the process so far.
double processorMilliseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return time.tv_sec * 1e3 + time.tv_nsec / 1e6;
}

struct WholeOpen
{
    double milliseconds = 0;
    // Of all threads together: what the open costs a busy machine, where the threads wait
    // for cores.
    double processorMilliseconds = 0;
};

WholeOpen timeWholeOpen(const std::string &path)
{
    const Clock::time_point start = Clock::now();
    const double processorStart = processorMilliseconds();
    Volume *volume = new Volume(path.c_str());
    glFinish();
    const WholeOpen open{millisecondsSince(start), processorMilliseconds() - processorStart};
    volume->deleteTexture();
    delete volume;
    glFinish();
    return open;
}

using Allocator = std::function<void *(std::size_t)>;

void *allocateLike16BitBuffer(std::size_t bytes)
{
    return allocateLargeBuffer(int64_t(bytes / 2));
}

double timeFileRead(const std::string &path, const Allocator &allocate)
{
    const Clock::time_point start = Clock::now();
    std::FILE *file = std::fopen(path.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    const std::size_t bytes = std::size_t(std::ftell(file));
    std::rewind(file);
    void *buffer = allocate(bytes);
    const std::size_t read = std::fread(buffer, 1, bytes, file);
    std::fclose(file);
    const double milliseconds = millisecondsSince(start);
    std::free(buffer);
    return read == bytes ? milliseconds : -1;
}

struct PeakMemory
{
    double peakMiB = 0;
    // What deleting the texture gives back: the driver's copy. The rest of what the open
    // keeps is the volume's own samples, which the open's peak counts.
    double driverMiB = 0;
};

// Measured with the volume open, before its texture goes.
PeakMemory openMemory(Volume &volume, long baseline)
{
    PeakMemory memory;
    memory.peakMiB = (statusKilobytes("VmHWM:") - baseline) / 1024.0;
    const long open = statusKilobytes("VmRSS:");
    volume.deleteTexture();
    glFinish();
    memory.driverMiB = (open - statusKilobytes("VmRSS:")) / 1024.0;
    return memory;
}

PeakMemory measureWholeOpenMemory(const std::string &path)
{
    resetPeakResident();
    const long baseline = statusKilobytes("VmRSS:");
    const std::unique_ptr<Volume> volume = std::make_unique<Volume>(path.c_str());
    glFinish();
    return openMemory(*volume, baseline);
}

// The same for a volume built from samples in memory, as the import layer hands them over:
// the caller's array (read and lowered to 0..4095 before the baseline) is not counted.
PeakMemory measureOpenFromMemory(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    DatHeader header;
    PeakMemory memory;
    if (!file || !readDatHeader(file, header)) {
        if (file)
            std::fclose(file);
        return memory;
    }
    const SampleGrid grid = adjustedGrid(header);
    VolumeDescription description;
    description.sizeX = grid.sizeX;
    description.sizeY = grid.sizeY;
    description.sizeZ = grid.sizeZ;
    description.samples = SampleBuffer(allocateLargeBuffer(grid.voxelCount()), size_t(grid.voxelCount()),
                                       [](uint16_t *samples) { releaseLargeBuffer(samples); });
    const bool read = !description.samples.empty() && readDatSamples(file, header, description.samples.data());
    std::fclose(file);
    if (read) {
        DensityHistogram().clampAndCount(description.samples.data(), grid.voxelCount());
        resetPeakResident();
        const long baseline = statusKilobytes("VmRSS:");
        const std::unique_ptr<Volume> volume = std::make_unique<Volume>(description);
        glFinish();
        memory = openMemory(*volume, baseline);
    }
    return memory;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    OffscreenGLContext context;
    if (!context.isReady() || glewInit() != GLEW_OK) {
        std::printf("no GL context\n");
        return 1;
    }

    QTemporaryDir folder;
    const bool generate = argc <= 1 || argv[1][0] == 0;
    std::string path = !generate ? argv[1] : folder.filePath("bench_512.dat").toStdString();
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;
    if (generate && !writeBenchVolume(path, 512)) {
        std::printf("Can't write %s\n", path.c_str());
        return 1;
    }
    std::FILE *file = std::fopen(path.c_str(), "rb");
    DatHeader header;
    if (!file || !readDatHeader(file, header) || !datRefusal(header, regularFileBytes(file)).empty()) {
        std::printf("Can't use %s\n", path.c_str());
        return 1;
    }
    std::fclose(file);
    const SampleGrid grid = adjustedGrid(header);
    const double voxelCount = double(grid.voxelCount());

    std::printf("renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    std::printf("volume: %s (%d x %d x %d, %.0f voxels)\n", path.c_str(), grid.sizeX,
                grid.sizeY, grid.sizeZ, voxelCount);

    // Warms the page cache, so that every read below comes from it.
    timeFileRead(path, allocateLike16BitBuffer);
    // First in the process, so that nothing freed earlier lowers the peak.
    const PeakMemory memory = measureWholeOpenMemory(path);

    std::vector<double> read, count, gradients, storage, upload, sum, total, totalProcessor, fileRead;
    // The first round only warms up.
    for (int round = 0; round <= repetitions; ++round) {
        Phases phases;
        if (!timePhases(path, phases)) {
            std::printf("Can't open %s\n", path.c_str());
            return 1;
        }
        const WholeOpen whole = timeWholeOpen(path);
        const double fileReadTime = timeFileRead(path, allocateLike16BitBuffer);
        if (round == 0)
            continue;
        read.push_back(phases.read);
        count.push_back(phases.count);
        gradients.push_back(phases.gradients);
        storage.push_back(phases.storage);
        upload.push_back(phases.upload);
        sum.push_back(phases.sum());
        total.push_back(whole.milliseconds);
        totalProcessor.push_back(whole.processorMilliseconds);
        fileRead.push_back(fileReadTime);
    }
    const auto allocateSmallPages = [](std::size_t bytes) { return std::malloc(bytes); };
    const double fileReadSmallPages = timeFileRead(path, allocateSmallPages);

    const double readBaseline = median(fileRead);
    const auto row = [](const char *name, const std::vector<double> &times, const char *comparison = "",
                        double baseline = 0) {
        std::printf("  %-30s %9.1f %9.1f", name, median(times), *std::min_element(times.begin(), times.end()));
        if (baseline > 0)
            std::printf("  %6.2fx %s", median(times) / baseline, comparison);
        std::printf("\n");
    };
    const int slabSlices = SlabPipeline(grid).slabSlices();
    std::printf("\n%d rounds, milliseconds                 median       min  median ratio\n", repetitions);
    std::printf("steps one after another (slabs of %d slices, gradients on one thread)\n", slabSlices);
    row("read", read, "file read", readBaseline);
    row("clamp and histogram count", count);
    row("gradients into one slab", gradients);
    row("texture storage", storage);
    row("slab uploads", upload);
    row("sum of the steps", sum, "file read", readBaseline);
    row("whole Volume, overlapped", total, "file read", readBaseline);
    row("whole Volume, processor time", totalProcessor);
    std::printf("baseline\n");
    row("file read", fileRead);
    std::printf("  (%.0f MiB read into a buffer allocated as the volume allocates its own)\n",
                (voxelCount * 2 + 6) / 1048576);
    std::printf("  file read into 4 KiB pages instead, once: %.1f\n", fileReadSmallPages);
    std::printf("peak resident memory of one open, above the baseline before it\n");
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "peak", memory.peakMiB,
                memory.peakMiB * 1048576 / voxelCount);
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "kept by the GL driver after", memory.driverMiB,
                memory.driverMiB * 1048576 / voxelCount);
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "peak less the driver's", memory.peakMiB - memory.driverMiB,
                (memory.peakMiB - memory.driverMiB) * 1048576 / voxelCount);
    const PeakMemory fromMemory = measureOpenFromMemory(path);
    std::printf("peak resident memory of a volume made from the same samples in memory, above the\n"
                "baseline with the caller's samples\n");
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "peak", fromMemory.peakMiB,
                fromMemory.peakMiB * 1048576 / voxelCount);
    return 0;
}
