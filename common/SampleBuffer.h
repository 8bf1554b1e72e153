#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The samples of a volume, x fastest, wherever they live: memory of its own, a vector it took
// over, or memory that another owner hands over together with the way to release it, such
// as the file the reader process wrote its samples to, mapped into the viewer. So samples
// travel from the reader to the view without being copied. One owner at a time: it moves,
// it is never copied.
class SampleBuffer
{
public:
    using Release = std::function<void(uint16_t *)>;

    SampleBuffer() = default;
    // count samples of no defined value, for the caller to fill; throws std::bad_alloc.
    explicit SampleBuffer(size_t count)
        : SampleBuffer(count == 0 ? nullptr : new uint16_t[count], count, [](uint16_t *p) { delete[] p; })
    {
    }
    explicit SampleBuffer(std::vector<uint16_t> values)
    {
        if (values.empty())
            return;
        auto *kept = new std::vector<uint16_t>(std::move(values));
        *this = SampleBuffer(kept->data(), kept->size(), [kept](uint16_t *) { delete kept; });
    }
    SampleBuffer(uint16_t *samples, size_t count, Release release)
        : owned(samples, std::move(release)), count(samples ? count : 0)
    {
    }

    SampleBuffer(SampleBuffer &&other) noexcept
        : owned(std::move(other.owned)), count(other.count)
    {
        other.count = 0;
    }
    SampleBuffer &operator=(SampleBuffer &&other) noexcept
    {
        owned = std::move(other.owned);
        count = other.count;
        other.count = 0;
        return *this;
    }

    uint16_t *data() { return owned.get(); }
    const uint16_t *data() const { return owned.get(); }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    uint16_t &operator[](size_t i) { return owned.get()[i]; }
    uint16_t operator[](size_t i) const { return owned.get()[i]; }
    const uint16_t *begin() const { return data(); }
    const uint16_t *end() const { return data() + count; }

    friend bool operator==(const SampleBuffer &a, const SampleBuffer &b)
    {
        return a.count == b.count && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    std::unique_ptr<uint16_t, Release> owned{nullptr, Release()};
    size_t count = 0;
};
