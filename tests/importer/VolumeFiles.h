#pragma once

#include "SampleType.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

#include <cstdint>

// Builders of tiny input files for the importer's tests, written from the formats' own
// descriptions (not through the importer), and a reader of the .dat files it writes.
namespace VolumeFiles {

QByteArray encodeSamples(const QVector<double> &values, SampleType type, bool bigEndian);
void putNumber(QByteArray *bytes, int offset, uint64_t value, int size, bool bigEndian);

QByteArray gzip(const QByteArray &data);
QByteArray zlib(const QByteArray &data);

int niftiDatatype(SampleType type);
// A .nii file: a 348-byte header, zero bytes up to voxOffset, then the samples.
QByteArray nifti(const int sizes[3], SampleType type, bool bigEndian, const QByteArray &samples,
                 double slope = 0.0, double intercept = 0.0, int voxOffset = 352);

// A .nii file of NIfTI-2: a 540-byte header, zero bytes up to voxOffset, then the samples.
QByteArray nifti2(const int sizes[3], SampleType type, bool bigEndian, const QByteArray &samples, double slope = 0.0,
                  double intercept = 0.0, int voxOffset = 544);

// A ustar archive of regular files.
QByteArray tar(const QList<QPair<QString, QByteArray>> &members);
// main.plist as InVesalius writes it; shape is (z, y, x).
QByteArray invesaliusPlist(const QString &fileName, const int shape[3], const QString &dtype);

bool writeFile(const QString &path, const QByteArray &bytes);

struct Dat
{
    bool ok = false;
    int sizes[3] = {0, 0, 0};
    QVector<int> samples;
};
// Reads a .dat file; ok only when its length is exactly that of its sizes.
Dat readDat(const QString &path);

} // namespace VolumeFiles
