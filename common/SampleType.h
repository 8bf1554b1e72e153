#pragma once

#include <QString>

#include <cstdint>
#include <cstring>

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

// Calls f(index, value) for the values begin..end - 1 of `type` at `bytes` in the host's byte
// order, deciding the type once per call rather than once per value.
template <typename T, typename F>
void forEachValueOf(const unsigned char *bytes, uint64_t begin, uint64_t end, F &&f)
{
    for (uint64_t i = begin; i < end; ++i) {
        T value;
        std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
        f(i, double(value));
    }
}

template <typename F>
void forEachValue(const unsigned char *bytes, SampleType type, uint64_t begin, uint64_t end, F &&f)
{
    switch (type) {
    case SampleType::UInt8: forEachValueOf<uint8_t>(bytes, begin, end, f); break;
    case SampleType::Int8: forEachValueOf<int8_t>(bytes, begin, end, f); break;
    case SampleType::UInt16: forEachValueOf<uint16_t>(bytes, begin, end, f); break;
    case SampleType::Int16: forEachValueOf<int16_t>(bytes, begin, end, f); break;
    case SampleType::UInt32: forEachValueOf<uint32_t>(bytes, begin, end, f); break;
    case SampleType::Int32: forEachValueOf<int32_t>(bytes, begin, end, f); break;
    case SampleType::Float32: forEachValueOf<float>(bytes, begin, end, f); break;
    case SampleType::Float64: forEachValueOf<double>(bytes, begin, end, f); break;
    }
}

// The value at `index` of `type` at `bytes` in the host's byte order.
inline double valueAt(const unsigned char *bytes, SampleType type, uint64_t index)
{
    double value = 0.0;
    forEachValue(bytes, type, index, index + 1, [&value](uint64_t, double v) { value = v; });
    return value;
}
