#include "SampleType.h"

#include <QtEndian>

#include <cstring>

namespace {

struct TypeInfo {
    SampleType type;
    const char *name;
    int size;
    bool integer;
};

const TypeInfo typeInfos[] = {
    {SampleType::UInt8, "uint8", 1, true},
    {SampleType::Int8, "int8", 1, true},
    {SampleType::UInt16, "uint16", 2, true},
    {SampleType::Int16, "int16", 2, true},
    {SampleType::UInt32, "uint32", 4, true},
    {SampleType::Int32, "int32", 4, true},
    {SampleType::Float32, "float32", 4, false},
    {SampleType::Float64, "float64", 8, false},
};

const TypeInfo &infoOf(SampleType type)
{
    return typeInfos[static_cast<int>(type)];
}

template <typename T>
T fromStoredOrder(const unsigned char *p, bool bigEndian)
{
    return bigEndian ? qFromBigEndian<T>(p) : qFromLittleEndian<T>(p);
}

} // namespace

int sampleTypeSize(SampleType type)
{
    return infoOf(type).size;
}

bool isIntegerType(SampleType type)
{
    return infoOf(type).integer;
}

QString sampleTypeName(SampleType type)
{
    return QString::fromLatin1(infoOf(type).name);
}

bool parseSampleTypeName(const QString &name, SampleType *type)
{
    for (const TypeInfo &info : typeInfos) {
        if (name == QLatin1String(info.name)) {
            *type = info.type;
            return true;
        }
    }
    return false;
}

double decodeSample(const unsigned char *p, SampleType type, bool bigEndian)
{
    switch (type) {
    case SampleType::UInt8:
        return p[0];
    case SampleType::Int8:
        return static_cast<int8_t>(p[0]);
    case SampleType::UInt16:
        return fromStoredOrder<uint16_t>(p, bigEndian);
    case SampleType::Int16:
        return fromStoredOrder<int16_t>(p, bigEndian);
    case SampleType::UInt32:
        return fromStoredOrder<uint32_t>(p, bigEndian);
    case SampleType::Int32:
        return fromStoredOrder<int32_t>(p, bigEndian);
    case SampleType::Float32: {
        const uint32_t word = fromStoredOrder<uint32_t>(p, bigEndian);
        float value;
        std::memcpy(&value, &word, sizeof value);
        return value;
    }
    case SampleType::Float64: {
        const uint64_t bits = fromStoredOrder<uint64_t>(p, bigEndian);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
    return 0.0;
}
