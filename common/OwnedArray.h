#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// An array of values, wherever they live: memory of its own, a vector it took over, or
// memory that another owner hands over together with the way to release it, such as a file
// in memory mapped into the process. One owner at a time: it moves, it is never copied.
template <typename T>
class OwnedArray
{
public:
    using Release = std::function<void(T *)>;

    OwnedArray() = default;
    // count values of no defined value, for the caller to fill; throws std::bad_alloc.
    explicit OwnedArray(size_t count)
        : OwnedArray(count == 0 ? nullptr : new T[count], count, [](T *p) { delete[] p; })
    {
    }
    explicit OwnedArray(std::vector<T> values)
    {
        if (values.empty())
            return;
        auto *kept = new std::vector<T>(std::move(values));
        *this = OwnedArray(kept->data(), kept->size(), [kept](T *) { delete kept; });
    }
    OwnedArray(T *values, size_t count, Release release)
        : owned(values, std::move(release)), count(values ? count : 0)
    {
    }

    OwnedArray(OwnedArray &&other) noexcept
        : owned(std::move(other.owned)), count(other.count)
    {
        other.count = 0;
    }
    OwnedArray &operator=(OwnedArray &&other) noexcept
    {
        owned = std::move(other.owned);
        count = other.count;
        other.count = 0;
        return *this;
    }

    T *data() { return owned.get(); }
    const T *data() const { return owned.get(); }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    T &operator[](size_t i) { return owned.get()[i]; }
    T operator[](size_t i) const { return owned.get()[i]; }
    const T *begin() const { return data(); }
    const T *end() const { return data() + count; }

    friend bool operator==(const OwnedArray &a, const OwnedArray &b)
    {
        return a.count == b.count && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    std::unique_ptr<T, Release> owned{nullptr, Release()};
    size_t count = 0;
};
