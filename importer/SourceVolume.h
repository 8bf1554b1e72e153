#pragma once

#include "ExamSeries.h"
#include "GridLimits.h"
#include "OwnedArray.h"
#include "PatientFrame.h"
#include "SampleType.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class ImportProgress;

// One volume as a format reader found it, before its values are mapped: sizes, voxel
// spacing, where the grid lies in the patient, and the samples in their stored type, x
// fastest, in the host's byte order (so that a volume costs what its samples cost and no
// more; in the reader program they lie in the file in memory its caller maps). Also what the caller should know besides: every file the samples came from, and
// notes worth a line of their own.
struct SourceVolume
{
    std::string format;
    uint64_t sizes[3] = {0, 0, 0};
    double spacing[3] = {1.0, 1.0, 1.0};
    bool hasSpacing = false;
    PatientFrame frame;
    // The modality the source names ("CT", "MR"); empty where its format has no such field.
    std::string modality;
    SampleType type = SampleType::UInt8;
    OwnedArray<unsigned char> bytes;
    std::vector<std::string> files;
    std::vector<std::string> notes;
    // A DICOM exam's list and the entry opened (from 1), as ImportResult carries them.
    std::vector<ExamSeries> exam;
    int openedSeries = 0;

    uint64_t sampleCount() const { return sizes[0] * sizes[1] * sizes[2]; }
    uint64_t dataBytes() const { return sampleCount() * uint64_t(sampleTypeSize(type)); }
};

// Refuses sizes the viewer can never show, naming `file`, by the .dat format's one set of
// limits: a zero size, a size beyond what a .dat header records, or more voxels than a
// volume holds. Every reader calls it before
// it allocates anything for the samples.
void checkGrid(const QString &file, uint64_t sizeX, uint64_t sizeY, uint64_t sizeZ);

// Refuses what no reader should open, before any does: a path that is not there, one the
// user may not read, and anything but a regular file or a folder.
void checkOpenable(const QString &path);

// Refuses a file that `header` names for its data when it is there but is no regular file.
void checkDataFileKind(const QString &header, const QString &dataFile);

// Refuses a grid of the sizes and type already set that the caller cannot hold: every reader
// calls it as soon as the header is read, before it reads a sample.
void checkLimits(const QString &file, const SourceVolume &volume, const GridLimits &limits);

// Allocates the samples for the sizes and type already set, where `progress` stores them,
// refusing when memory is short; announces them through `progress` first.
void allocateSamples(const QString &file, SourceVolume *volume, const ImportProgress &progress);

// Allocates the samples of a part read on the way (a slice stored otherwise than the
// volume), which the volume's store does not take.
void allocateScratchSamples(const QString &file, SourceVolume *volume);

// Stops the import when the watcher asked for it.
void checkCancel(const QString &file, const ImportProgress &progress);

// Swaps the bytes of every sample of `count` stored in the other byte order.
void swapSampleBytes(unsigned char *bytes, uint64_t count, SampleType type);

