#include "ValueSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int64_t maxTableSize = 1 << 20;
constexpr int maxThreads = 8;

// The mapped sample of every whole value from `low` up, as many as `size`.
std::vector<uint16_t> mappingTable(int64_t low, int64_t size, const ValueMapping &mapping)
{
    std::vector<uint16_t> table(static_cast<size_t>(size));
    for (int64_t i = 0; i < size; ++i)
        table[size_t(i)] = mapping.map(double(low + i));
    return table;
}

template <typename T>
void mapThroughTable(const unsigned char *bytes, uint64_t begin, uint64_t end, int64_t low,
                     const std::vector<uint16_t> &table, const ValueMapping &mapping, uint16_t *out)
{
    const uint64_t span = table.size();
    for (uint64_t i = begin; i < end; ++i) {
        T value;
        std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
        const uint64_t at = uint64_t(int64_t(value) - low);
        out[i] = at < span ? table[at] : mapping.map(double(value));
    }
}

struct Tabled
{
    int64_t low = 0;
    std::vector<uint16_t> table;
};

void mapRange(const OriginalValues &values, const ValueMapping &mapping, const Tabled &tabled, uint64_t begin,
              uint64_t end, uint16_t *out)
{
    const unsigned char *bytes = values.bytes();
    const int64_t low = tabled.low;
    const std::vector<uint16_t> &table = tabled.table;
    if (table.empty()) {
        forEachValue(bytes, values.type(), begin, end, [out, &mapping](uint64_t i, double value) { out[i] = mapping.map(value); });
        return;
    }
    switch (values.type()) {
    case SampleType::UInt8: mapThroughTable<uint8_t>(bytes, begin, end, low, table, mapping, out); break;
    case SampleType::Int8: mapThroughTable<int8_t>(bytes, begin, end, low, table, mapping, out); break;
    case SampleType::UInt16: mapThroughTable<uint16_t>(bytes, begin, end, low, table, mapping, out); break;
    case SampleType::Int16: mapThroughTable<int16_t>(bytes, begin, end, low, table, mapping, out); break;
    case SampleType::UInt32: mapThroughTable<uint32_t>(bytes, begin, end, low, table, mapping, out); break;
    case SampleType::Int32: mapThroughTable<int32_t>(bytes, begin, end, low, table, mapping, out); break;
    case SampleType::Float32:
    case SampleType::Float64: break;
    }
}

// The range is measured in double first: the extremes of a 64-bit type do not fit a 64-bit
// difference.
Tabled tableFor(const OriginalValues &values, const ValueMapping &mapping, double lowest, double highest)
{
    Tabled tabled;
    const bool fits = isIntegerType(values.type()) && std::isfinite(lowest) && std::isfinite(highest) && lowest <= highest
                      && highest - lowest + 1 <= double(maxTableSize);
    if (fits) {
        tabled.low = int64_t(std::ceil(lowest));
        tabled.table = mappingTable(tabled.low, int64_t(std::floor(highest)) - tabled.low + 1, mapping);
    }
    return tabled;
}

} // namespace

SampleBuffer mapToSamples(const OriginalValues &values, const ValueMapping &mapping, double lowest, double highest,
                          int threads)
{
    SampleBuffer samples(size_t(values.count()));
    const Tabled tabled = tableFor(values, mapping, lowest, highest);
    const uint64_t count = values.count();
    const uint64_t parts = uint64_t(std::clamp(threads, 1, maxThreads));
    const uint64_t step = std::max<uint64_t>(1, (count + parts - 1) / parts);
    std::vector<std::thread> workers;
    uint64_t begin = 0;
    // Where the system gives no more threads, this one maps the rest.
    try {
        for (; begin + step < count; begin += step)
            workers.emplace_back(mapRange, std::cref(values), std::cref(mapping), std::cref(tabled), begin, begin + step,
                                 samples.data());
    } catch (const std::system_error &) {
    }
    mapRange(values, mapping, tabled, begin, count, samples.data());
    for (std::thread &worker : workers)
        worker.join();
    return samples;
}

int mappingThreads()
{
    return int(std::max(1u, std::min(std::thread::hardware_concurrency(), unsigned(maxThreads))));
}
