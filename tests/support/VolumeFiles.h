#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// Writes a `.dat` volume: three little-endian 16-bit sizes, then the samples, x fastest.
using SampleFunction = std::function<uint16_t(int x, int y, int z)>;
bool writeVolumeFile(const QString &path, int sizeX, int sizeY, int sizeZ, const SampleFunction &sample);

// A ball filling the grid: 4095 at the centre falling linearly to 0 at the nearest face.
uint16_t ballSample(int x, int y, int z, int sizeX, int sizeY, int sizeZ);

// Copies the four shader files of the source tree into dir.
bool copyShaders(const QString &dir);
