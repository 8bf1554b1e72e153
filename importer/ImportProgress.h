#pragma once

#include "OwnedArray.h"

#include <atomic>
#include <cstdint>
#include <functional>

// The link between an import running on a worker thread and whoever waits for it. The
// import reports the fraction done and looks, between files and between slabs of samples,
// whether it should stop; the watcher reads the fraction (or hears it through the
// listener) and may ask it to stop. Before a reader allocates the samples of the grid a
// header declared, it announces their size, so that a watcher bounding the import's memory
// can allow for them; the watcher may also say where they go (the reader program's file in
// memory). Every member may be called from any thread.
class ImportProgress
{
public:
    // Runs on the importing thread, at most about a hundred times per import.
    using Listener = std::function<void(double fraction)>;
    // Runs on the importing thread: a grid of `samples` samples of `bytesPerSample` each is
    // about to be allocated.
    using GridListener = std::function<void(uint64_t samples, int bytesPerSample)>;
    // Gives the memory for a volume's values, of `bytes`; throws std::bad_alloc.
    using Store = std::function<OwnedArray<unsigned char>(uint64_t bytes)>;

    ImportProgress() = default;
    explicit ImportProgress(Listener listener, GridListener gridListener = GridListener(), Store store = Store());
    ImportProgress(const ImportProgress &) = delete;
    ImportProgress &operator=(const ImportProgress &) = delete;

    // The share of the whole that the following reports span: report(0) then means
    // `start`, report(1) `start + width`. The import sets it; its readers report 0 to 1.
    void beginStage(double start, double width) const;
    // 0 to 1 of the current stage; a fraction below the last one is ignored.
    void report(double fraction) const;
    double fraction() const { return done.load(); }
    void announceGrid(uint64_t samples, int bytesPerSample) const;
    // Memory of the store, or of the heap where there is none, filled with zeros.
    OwnedArray<unsigned char> storeValues(uint64_t bytes) const;

    void cancel() { cancelled.store(true); }
    bool cancelRequested() const { return cancelled.load(); }

private:
    Listener listener;
    GridListener gridListener;
    Store store;
    mutable std::atomic<double> stageStart{0.0};
    mutable std::atomic<double> stageWidth{1.0};
    mutable std::atomic<double> done{0.0};
    mutable std::atomic<int> heardPercent{-1};
    std::atomic<bool> cancelled{false};
};
