#include "SampleType.h"

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

// Gathers the sample's bytes into the low bytes of an integer in value order, so that the
// reinterpretation below does not depend on the host's byte order.
uint64_t gatherBits(const unsigned char *p, int size, bool bigEndian)
{
    uint64_t bits = 0;
    for (int i = 0; i < size; ++i) {
        const unsigned char byte = bigEndian ? p[i] : p[size - 1 - i];
        bits = (bits << 8) | byte;
    }
    return bits;
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
    const uint64_t bits = gatherBits(p, sampleTypeSize(type), bigEndian);
    switch (type) {
    case SampleType::UInt8:
        return static_cast<uint8_t>(bits);
    case SampleType::Int8:
        return static_cast<int8_t>(static_cast<uint8_t>(bits));
    case SampleType::UInt16:
        return static_cast<uint16_t>(bits);
    case SampleType::Int16:
        return static_cast<int16_t>(static_cast<uint16_t>(bits));
    case SampleType::UInt32:
        return static_cast<uint32_t>(bits);
    case SampleType::Int32:
        return static_cast<int32_t>(static_cast<uint32_t>(bits));
    case SampleType::Float32: {
        const uint32_t word = static_cast<uint32_t>(bits);
        float value;
        std::memcpy(&value, &word, sizeof value);
        return value;
    }
    case SampleType::Float64: {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
    return 0.0;
}
