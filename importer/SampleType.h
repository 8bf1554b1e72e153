#pragma once

#include <QString>

#include <cstdint>

// The element types a source volume may store, whatever its file format calls them.
enum class SampleType { UInt8, Int8, UInt16, Int16, UInt32, Int32, Float32, Float64 };

int sampleTypeSize(SampleType type);
bool isIntegerType(SampleType type);

// Canonical names ("uint8", "int16", "float32", ...), as written on the command line and
// in InVesalius projects, which use NumPy's names.
QString sampleTypeName(SampleType type);
bool parseSampleTypeName(const QString &name, SampleType *type);

// The value of the sample stored at p; the bytes need no alignment.
double decodeSample(const unsigned char *p, SampleType type, bool bigEndian);
