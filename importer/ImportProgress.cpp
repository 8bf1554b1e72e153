#include "ImportProgress.h"

#include <algorithm>
#include <cstring>

ImportProgress::ImportProgress(Listener listener, GridListener gridListener, Store store)
    : listener(std::move(listener)), gridListener(std::move(gridListener)), store(std::move(store))
{
}

OwnedArray<unsigned char> ImportProgress::storeValues(uint64_t bytes) const
{
    if (store)
        return store(bytes);
    OwnedArray<unsigned char> values{size_t(bytes)};
    std::memset(values.data(), 0, size_t(bytes));
    return values;
}

void ImportProgress::announceGrid(uint64_t samples, int bytesPerSample) const
{
    if (gridListener)
        gridListener(samples, bytesPerSample);
}

void ImportProgress::beginStage(double start, double width) const
{
    stageStart.store(start);
    stageWidth.store(width);
    report(0.0);
}

void ImportProgress::report(double fraction) const
{
    fraction = stageStart.load() + stageWidth.load() * std::clamp(fraction, 0.0, 1.0);
    double previous = done.load();
    while (fraction > previous && !done.compare_exchange_weak(previous, fraction)) {
    }
    if (!listener || fraction < previous)
        return;
    const int percent = int(fraction * 100.0);
    if (heardPercent.exchange(percent) != percent)
        listener(fraction);
}
