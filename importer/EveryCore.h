#pragma once

#include "ImportProgress.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// Reads the files first..count-1 of a stack on every core, each once, as the scan and the
// volume read do: readFile(i) reads file i and returns false where the whole read must stop
// (the stack does not fit the short way). The progress runs from `start` to 1 as files are
// done. The first exception a file throws stops the other threads and is thrown again here,
// once every thread has ended; a cancelled import stops them too (the caller checks it).
// Returns whether every file read returned true.
template <typename ReadFile>
bool readOnEveryCore(size_t first, size_t count, const ImportProgress &progress, double start, ReadFile readFile)
{
    std::atomic<size_t> next{first};
    std::atomic<size_t> done{first};
    std::atomic<bool> stop{false};
    std::atomic<bool> completed{true};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&] {
        for (size_t i = next++; i < count && !stop && !progress.cancelRequested(); i = next++) {
            try {
                if (!readFile(i)) {
                    completed = false;
                    stop = true;
                }
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!stop.exchange(true))
                    failure = std::current_exception();
            }
            progress.report(start + (1.0 - start) * double(++done) / double(count));
        }
    };
    std::vector<std::thread> workers;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (size_t w = 1; w < std::min<size_t>(cores, count > first ? count - first : 0); ++w)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return completed;
}
