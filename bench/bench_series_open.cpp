// Times opening a CT series of many DICOM files as the viewer opens it (the reader process
// reads and maps it, a Volume is built from the samples it hands over), next to the two costs it
// cannot avoid: ITK reading the same series into memory on its own, and opening a `.dat` of
// the same grid. Prints each as the median of the rounds, the ratio of the viewer's open to
// their sum, and the peak resident memory of the viewer's open above the baseline before it,
// with the GL driver's copy of the texture apart, and the reader process's own peak.
//
// The series is written by the program itself into a temporary folder: the head CT of
// Debian's invesalius-examples (Cranium.inv3, 256 x 256 x 108) resampled trilinearly to
// 512 x 512 x 300, one int16 file per slice with rescale intercept -1024 and slope 1, slice
// positions along z and the spacing that keeps the head's extent.
//
// Usage: bench_series_open [Cranium.inv3] [repetitions] [folder]; with a folder, the series and
// the .dat are written there and kept (to look at them in the viewer). Needs a display for the GL context
// (run it under xvfb-run on a headless machine).
//
// bench_series_open --whole-body [slices] writes the head stretched to 512 x 512 x slices
// (1500 unless given), as long as a chest-abdomen-pelvis CT, opens it once as the viewer
// does and prints the time, the peak memory and the grid the GL shows it at, which may be
// coarser than the samples', beside ITK's own read of the same files and the header scan
// alone.

#include "DatFile.h"
#include "DicomScan.h"
#include "ImportProgress.h"
#include "OffscreenGLContext.h"
#include "ProcessMemory.h"
#include "ReaderProcess.h"
#include "Volume.h"
#include "VolumeImport.h"

#include <GL/glew.h>

#include <gdcmAttribute.h>
#include <gdcmImageWriter.h>
#include <gdcmTrace.h>
#include <gdcmUIDGenerator.h>
#include <itkGDCMImageIO.h>
#include <itkImage.h>
#include <itkImageSeriesReader.h>

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int seriesX = 512;
constexpr int seriesY = 512;
constexpr int seriesZ = 300;
constexpr int huOffset = 1024;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Grid
{
    int size[3] = {0, 0, 0};
    double spacing[3] = {1, 1, 1};
    std::vector<uint16_t> samples;

    double at(int x, int y, int z) const
    {
        return samples[(size_t(z) * size[1] + size_t(y)) * size[0] + size_t(x)];
    }
};

// The source grid stretched over the target sizes; the physical extent stays, the spacing
// shrinks with it.
Grid resampled(const Grid &source, int sizeX, int sizeY, int sizeZ)
{
    Grid target;
    const int sizes[3] = {sizeX, sizeY, sizeZ};
    for (int axis = 0; axis < 3; ++axis) {
        target.size[axis] = sizes[axis];
        target.spacing[axis] = source.spacing[axis] * source.size[axis] / sizes[axis];
    }
    target.samples.resize(size_t(sizeX) * sizeY * sizeZ);
    // Where a target index falls on the source's axis: the lower neighbour and the weight of
    // the upper one.
    const auto place = [&](int index, int axis, int &lower, double &weight) {
        const double at = std::clamp((index + 0.5) * source.size[axis] / sizes[axis] - 0.5, 0.0,
                                     double(source.size[axis] - 1));
        lower = std::min(int(at), source.size[axis] - 2);
        weight = at - lower;
    };
    size_t i = 0;
    for (int z = 0; z < sizeZ; ++z) {
        int z0;
        double wz;
        place(z, 2, z0, wz);
        for (int y = 0; y < sizeY; ++y) {
            int y0;
            double wy;
            place(y, 1, y0, wy);
            for (int x = 0; x < sizeX; ++x, ++i) {
                int x0;
                double wx;
                place(x, 0, x0, wx);
                double value = 0;
                for (int dz = 0; dz < 2; ++dz)
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx)
                            value += (dz ? wz : 1 - wz) * (dy ? wy : 1 - wy) * (dx ? wx : 1 - wx)
                                     * source.at(x0 + dx, y0 + dy, z0 + dz);
                target.samples[i] = uint16_t(std::lround(value));
            }
        }
    }
    return target;
}

template <uint16_t Group, uint16_t Element, typename Value>
void setAttribute(gdcm::DataSet &dataSet, const Value &value)
{
    gdcm::Attribute<Group, Element> attribute;
    attribute.SetValue(value);
    dataSet.Replace(attribute.GetAsDataElement());
}

// One CT slice as a scanner stores it: int16 values v, Hounsfield units v - 1024, so that v
// is the viewer's sample itself.
bool writeSlice(const std::string &path, const Grid &grid, int z, const std::string &studyUid,
                const std::string &seriesUid)
{
    const size_t sliceSize = size_t(grid.size[0]) * grid.size[1];
    std::vector<int16_t> stored(sliceSize);
    for (size_t i = 0; i < sliceSize; ++i)
        stored[i] = int16_t(grid.samples[size_t(z) * sliceSize + i]);

    gdcm::ImageWriter writer;
    gdcm::Image &image = writer.GetImage();
    image.SetNumberOfDimensions(2);
    image.SetDimension(0, unsigned(grid.size[0]));
    image.SetDimension(1, unsigned(grid.size[1]));
    image.SetSpacing(0, grid.spacing[0]);
    image.SetSpacing(1, grid.spacing[1]);
    image.SetSpacing(2, grid.spacing[2]);
    image.SetOrigin(0, 0.0);
    image.SetOrigin(1, 0.0);
    image.SetOrigin(2, z * grid.spacing[2]);
    const double axial[6] = {1, 0, 0, 0, 1, 0};
    image.SetDirectionCosines(axial);
    image.SetPixelFormat(gdcm::PixelFormat::INT16);
    image.SetPhotometricInterpretation(gdcm::PhotometricInterpretation::MONOCHROME2);
    image.SetTransferSyntax(gdcm::TransferSyntax::ExplicitVRLittleEndian);
    image.SetIntercept(-huOffset);
    image.SetSlope(1.0);
    gdcm::DataElement pixels(gdcm::Tag(0x7fe0, 0x0010));
    pixels.SetByteValue(reinterpret_cast<const char *>(stored.data()), uint32_t(sliceSize * sizeof(int16_t)));
    image.SetDataElement(pixels);

    gdcm::DataSet &dataSet = writer.GetFile().GetDataSet();
    gdcm::UIDGenerator uids;
    setAttribute<0x0008, 0x0016>(dataSet, gdcm::UIComp("1.2.840.10008.5.1.4.1.1.2"));
    setAttribute<0x0008, 0x0018>(dataSet, gdcm::UIComp(uids.Generate()));
    setAttribute<0x0008, 0x0060>(dataSet, gdcm::CSComp("CT"));
    setAttribute<0x0020, 0x000d>(dataSet, gdcm::UIComp(studyUid));
    setAttribute<0x0020, 0x000e>(dataSet, gdcm::UIComp(seriesUid));
    setAttribute<0x0020, 0x0013>(dataSet, int32_t(z + 1));
    setAttribute<0x0018, 0x0050>(dataSet, grid.spacing[2]);
    writer.SetFileName(path.c_str());
    return writer.Write();
}

// The series' file names in slice order.
std::vector<std::string> writeSeries(const QString &folder, const Grid &grid)
{
    gdcm::UIDGenerator uids;
    const std::string studyUid = uids.Generate();
    const std::string seriesUid = uids.Generate();
    std::vector<std::string> files;
    for (int z = 0; z < grid.size[2]; ++z) {
        char name[32];
        std::snprintf(name, sizeof name, "slice%03d.dcm", z);
        files.push_back(QDir(folder).filePath(QString::fromLatin1(name)).toStdString());
        if (!writeSlice(files.back(), grid, z, studyUid, seriesUid))
            return {};
    }
    return files;
}

// (a) ITK alone: the series into one image in memory, as ITK's own readers do it.
double timeItkSeriesRead(const std::vector<std::string> &files, int slices = seriesZ)
{
    using Image = itk::Image<int16_t, 3>;
    const Clock::time_point start = Clock::now();
    auto reader = itk::ImageSeriesReader<Image>::New();
    reader->SetImageIO(itk::GDCMImageIO::New());
    reader->SetFileNames(files);
    reader->Update();
    const double milliseconds = millisecondsSince(start);
    const auto size = reader->GetOutput()->GetLargestPossibleRegion().GetSize();
    return size[0] * size[1] * size[2] == size_t(seriesX) * seriesY * size_t(slices) ? milliseconds : -1;
}

// (b) The .dat of the same grid, opened as the viewer opens a .dat.
double timeDatOpen(const std::string &path)
{
    const Clock::time_point start = Clock::now();
    Volume *volume = new Volume(path.c_str());
    glFinish();
    const double milliseconds = millisecondsSince(start);
    const bool valid = volume->isValid();
    volume->deleteTexture();
    delete volume;
    glFinish();
    return valid ? milliseconds : -1;
}

struct SeriesOpen
{
    double import = 0;
    double volume = 0;
    double peakMiB = 0;
    // What deleting the texture gives back: the driver's copy. The samples the volume keeps
    // for the reading views stay in the peak.
    double driverMiB = 0;
    SampleGrid shown;
    // The values the reader kept in its file in memory: their type and bytes per voxel.
    std::string valueType;
    int valueBytes = 0;
    bool ok = false;
};

// (c) As the window opens the series: the reader process on its own, then the Volume built
// from the samples it handed over, the samples dropped once the Volume holds its own.
SeriesOpen openSeries(const std::string &folder)
{
    SeriesOpen open;
    resetPeakResident();
    const long baseline = statusKilobytes("VmRSS:");
    Clock::time_point start = Clock::now();
    const std::atomic<bool> cancel{false};
    ImportResult result = ReaderProcess(std::chrono::seconds(30)).read(QString::fromStdString(folder), ImportOptions(), [](double) {}, cancel);
    open.import = millisecondsSince(start);
    if (!result.ok()) {
        std::printf("%s\n", result.refusal.c_str());
        return open;
    }
    open.valueType = result.sampleType;
    open.valueBytes = sampleTypeSize(result.values.type());
    start = Clock::now();
    const std::unique_ptr<Volume> volume = std::make_unique<Volume>(result);
    glFinish();
    open.volume = millisecondsSince(start);
    result = ImportResult();
    open.peakMiB = (statusKilobytes("VmHWM:") - baseline) / 1024.0;
    open.ok = volume->isValid();
    open.shown = volume->textureGrid().reduced;
    const long opened = statusKilobytes("VmRSS:");
    volume->deleteTexture();
    glFinish();
    open.driverMiB = (opened - statusKilobytes("VmRSS:")) / 1024.0;
    return open;
}

// The series' samples as the import maps them equal the .dat's: both views of one volume.
bool sameSamples(const std::string &folder, const Grid &grid)
{
    const ImportResult result = importVolume(folder);
    return result.ok() && std::equal(result.samples.begin(), result.samples.end(), grid.samples.begin(), grid.samples.end());
}

// The header scan alone, as the reader begins an open: one header read per file.
double timeScan(const QString &folder, int files)
{
    const Clock::time_point start = Clock::now();
    const DicomScanResult scan = DicomScan::scanFolder(folder, ImportProgress(), 1.0);
    const double milliseconds = millisecondsSince(start);
    return int(scan.headers.size()) == files ? milliseconds : -1;
}

int benchWholeBody(const Grid &source, int slices)
{
    const Grid grid = resampled(source, seriesX, seriesY, slices);
    QTemporaryDir temporary;
    const QString folder = QDir(temporary.path()).filePath(QStringLiteral("series"));
    QDir().mkpath(folder);
    const std::vector<std::string> files = writeSeries(folder, grid);
    if (files.empty()) {
        std::printf("Can't write the series under %s\n", qPrintable(temporary.path()));
        return 1;
    }
    std::printf("scan %d files: %.1f ms\n", slices, timeScan(folder, slices));
    const double itkAlone = timeItkSeriesRead(files, slices);
    const SeriesOpen open = openSeries(folder.toStdString());
    if (!open.ok) {
        std::printf("Can't open the whole-body series\n");
        return 1;
    }
    const double voxelCount = double(seriesX) * seriesY * slices;
    std::printf("whole-body series %d x %d x %d: opened in %.1f ms (import %.1f, volume %.1f), ITK read alone %.1f ms, "
                "peak %.2f bytes/voxel above the baseline (the GL driver keeps %.2f), shown at %d x %d x %d\n",
                seriesX, seriesY, slices, open.import + open.volume, open.import, open.volume, itkAlone,
                open.peakMiB * 1048576 / voxelCount, open.driverMiB * 1048576 / voxelCount, open.shown.sizeX,
                open.shown.sizeY, open.shown.sizeZ);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    // Our files carry all they need; GDCM would still warn once per file read.
    gdcm::Trace::WarningOff();
    OffscreenGLContext context;
    if (!context.isReady() || glewInit() != GLEW_OK) {
        std::printf("no GL context\n");
        return 1;
    }
    const bool wholeBody = argc > 1 && std::string(argv[1]) == "--whole-body";
    const int wholeBodySlices = wholeBody && argc > 2 ? std::max(2, std::atoi(argv[2])) : 1500;
    const std::string headCt = argc > 1 && argv[1][0] && !wholeBody ? argv[1] : "/usr/share/doc/invesalius-examples/examples/Cranium.inv3";
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    const ImportResult head = importVolume(headCt);
    if (!head.ok()) {
        std::printf("Can't use %s: %s\n", headCt.c_str(), head.refusal.c_str());
        return 1;
    }
    Grid source;
    source.size[0] = head.sizeX;
    source.size[1] = head.sizeY;
    source.size[2] = head.sizeZ;
    source.spacing[0] = head.spacing.x;
    source.spacing[1] = head.spacing.y;
    source.spacing[2] = head.spacing.z;
    source.samples.assign(head.samples.begin(), head.samples.end());
    if (wholeBody)
        return benchWholeBody(source, wholeBodySlices);
    const Grid grid = resampled(source, seriesX, seriesY, seriesZ);
    source.samples = {};

    QTemporaryDir temporary;
    const QString place = argc > 3 ? QString::fromLocal8Bit(argv[3]) : temporary.path();
    const QString folder = QDir(place).filePath(QStringLiteral("series"));
    QDir().mkpath(folder);
    const std::vector<std::string> files = writeSeries(folder, grid);
    const std::string datPath = QDir(place).filePath(QStringLiteral("series.dat")).toStdString();
    const DatHeader header{uint16_t(seriesX), uint16_t(seriesY), uint16_t(seriesZ)};
    if (files.empty() || !writeDatFile(datPath.c_str(), header, grid.samples.data()).empty()) {
        std::printf("Can't write the series or the .dat under %s\n", qPrintable(place));
        return 1;
    }
    const double voxelCount = double(seriesX) * seriesY * seriesZ;
    std::printf("renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    std::printf("series: %zu DICOM files of %d x %d int16 (intercept -1024), spacing %.4g x %.4g x %.4g mm, from %s\n",
                files.size(), seriesX, seriesY, grid.spacing[0], grid.spacing[1], grid.spacing[2], headCt.c_str());
    std::printf("series samples equal the .dat's: %s\n", sameSamples(folder.toStdString(), grid) ? "yes" : "NO");

    // Warms the page cache for every file, and measures the memory first in the process
    // after that, so that nothing freed earlier lowers the peak.
    timeItkSeriesRead(files);
    const SeriesOpen memory = openSeries(folder.toStdString());
    if (!memory.ok) {
        std::printf("Can't open the series\n");
        return 1;
    }

    std::vector<double> itkRead, datOpen, seriesOpen, seriesImport, seriesVolume;
    for (int round = 0; round < repetitions; ++round) {
        itkRead.push_back(timeItkSeriesRead(files));
        datOpen.push_back(timeDatOpen(datPath));
        const SeriesOpen open = openSeries(folder.toStdString());
        seriesImport.push_back(open.import);
        seriesVolume.push_back(open.volume);
        seriesOpen.push_back(open.import + open.volume);
    }
    const double a = median(itkRead);
    const double b = median(datOpen);
    const double c = median(seriesOpen);
    std::printf("\n%d rounds, median milliseconds\n", repetitions);
    std::printf("  (a) ITK series read alone          %9.1f\n", a);
    std::printf("  (b) .dat open, same grid           %9.1f\n", b);
    std::printf("  (c) series open as the viewer does %9.1f\n", c);
    std::printf("      reader process                 %9.1f\n", median(seriesImport));
    std::printf("      Volume from the samples        %9.1f\n", median(seriesVolume));
    std::printf("  ratio c / (a + b)                  %9.2f  (goal at most 1.5)\n", c / (a + b));
    std::printf("peak resident memory of (c), above the baseline before it\n");
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "peak", memory.peakMiB, memory.peakMiB * 1048576 / voxelCount);
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "kept by the GL driver after", memory.driverMiB,
                memory.driverMiB * 1048576 / voxelCount);
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel  (goal at most 14)\n", "peak less the driver's",
                memory.peakMiB - memory.driverMiB, (memory.peakMiB - memory.driverMiB) * 1048576 / voxelCount);
    rusage children;
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("  %-28s %9.1f MiB  %5.2f bytes/voxel\n", "the reader process's peak", children.ru_maxrss / 1024.0,
                children.ru_maxrss * 1024.0 / voxelCount);
    std::printf("  %-28s %9.1f MiB  %5d bytes/voxel (%s)\n", "the values the reader keeps", memory.valueBytes * voxelCount / 1048576,
                memory.valueBytes, memory.valueType.c_str());
    std::printf("  %-28s %9.2f  (goal at most 1.10)\n", "the reader's peak / its values", children.ru_maxrss * 1024.0 / (memory.valueBytes * voxelCount));
    return 0;
}
