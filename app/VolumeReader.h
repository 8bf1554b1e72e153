#pragma once

#include "GridLimits.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Volume;

// The window's seam to the import layer: everything but `.dat` is read through a
// VolumeReader, off the GUI thread, into a ReadVolume; the window then hands the samples to
// a Volume on the GUI thread, where the view's GL context is.

// What a reader gives back: a refusal, or a grid of samples ready for a Volume.
struct ReadVolume
{
    // One line saying why the file was refused (without the path, which the window adds);
    // empty when the read succeeded.
    std::string refusal;
    int sizeX = 0;
    int sizeY = 0;
    int sizeZ = 0;
    // Voxel spacing in mm; meaningful only when spacingKnown.
    double spacingX = 1.0;
    double spacingY = 1.0;
    double spacingZ = 1.0;
    bool spacingKnown = false;
    // The format's name as the console line shows it: "DICOM", "NIfTI", "NRRD", "MetaImage",
    // "InVesalius".
    std::string format;
    // The stored values and how they were mapped: "int16 values -1024..3033, mapping hu
    // (value + 1024)"; empty where the reader does not say.
    std::string values;
    // sizeX * sizeY * sizeZ samples already mapped to 0..4095, x fastest.
    std::vector<uint16_t> samples;
    // Further lines for the console, e.g. other series found beside the one read.
    std::vector<std::string> notes;
};

// Called from the reading thread with the fraction done, 0..1; safe to call often.
using ReadProgress = std::function<void(double fraction)>;

// Reads the file or folder at path, refusing a grid beyond `limits` before it reads the
// samples. Runs on a worker thread; returns soon after cancel becomes true (its result is
// then thrown away).
using VolumeReader = std::function<ReadVolume(const QString &path, const GridLimits &limits, const ReadProgress &progress,
                                              const std::atomic<bool> &cancel)>;

// The reader the program uses for every format but `.dat`.
VolumeReader importingVolumeReader();

// Builds the Volume of a successful read: odd-size adjustment, checks, encoding, texture and
// histogram, with their console lines. Needs the view's GL context current (GUI thread).
// The caller owns the result; null or !isValid() means refused (the reason is on the console).
Volume *makeVolume(const ReadVolume &read);
