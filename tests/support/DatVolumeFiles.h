#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// Writes a `.dat` volume: three little-endian 16-bit sizes, then the samples, x fastest.
using SampleFunction = std::function<uint16_t(int x, int y, int z)>;
bool writeVolumeFile(const QString &path, int sizeX, int sizeY, int sizeZ, const SampleFunction &sample);

// A ball filling the grid: 4095 at the centre falling linearly to 0 at the nearest face.
uint16_t ballSample(int x, int y, int z, int sizeX, int sizeY, int sizeZ);

// Densities 1000..3000 over the grid, so the histogram narrows the range to them.
uint16_t rampSample(int x, int y, int z);

// The 6-byte header of a `.dat` file of these sizes.
QByteArray datHeader(int sizeX, int sizeY, int sizeZ);

QByteArray fileBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

// Copies the four shader files of the source tree into dir.
bool copyShaders(const QString &dir);
