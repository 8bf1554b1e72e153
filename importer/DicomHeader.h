#pragma once

#include <QString>

#include <array>

// What one DICOM file's header says, read once without its pixel data (DicomHeaderReader).
// The scan keeps one per file; the series rules group, split and sort them, and the volume
// read takes its pixels from the files of the stack chosen.
struct DicomHeader
{
    QString path;
    // The file's size when it was scanned: a file that changed since is not read.
    qint64 fileSize = -1;

    QString patientName;
    QString patientId;
    QString studyUid;
    // As the file gives it: "20240131".
    QString studyDate;
    QString studyDescription;
    QString seriesUid;
    QString seriesNumber;
    QString seriesDescription;
    QString instanceUid;
    QString modality;

    unsigned rows = 0;
    unsigned columns = 0;
    unsigned frames = 1;
    unsigned samplesPerPixel = 1;
    QString photometric;
    unsigned bitsAllocated = 16;
    unsigned bitsStored = 16;
    unsigned pixelRepresentation = 0;
    // Bits allocated and stored, pixel representation, slope and intercept as one text: files
    // that differ in it cannot share one stored type.
    QString storage;
    double rescaleSlope = 1.0;
    double rescaleIntercept = 0.0;

    bool hasPosition = false;
    std::array<double, 3> position{};
    bool hasOrientation = false;
    std::array<double, 6> orientation{};
    bool hasPixelSpacing = false;
    // Between rows, then between columns, in mm.
    std::array<double, 2> pixelSpacing{1.0, 1.0};
    double sliceSpacing = 0.0;
    bool hasAcquisition = false;
    long acquisition = 0;
    bool hasInstance = false;
    long instance = 0;

    // Why the pixel data cannot be whole; empty when it can.
    QString pixelDataProblem;

    bool isColour() const { return samplesPerPixel != 1; }
};
