#pragma once

#include "ImportOptions.h"
#include "ImportResult.h"
#include "ReaderProcess.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class Volume;

// The window's seam to the import layer: everything but `.dat` is read through a
// VolumeReader, off the GUI thread, into an ImportResult; the window then builds the Volume
// from its description on the GUI thread, where the view's GL context is.

// Called from the reading thread with the fraction done, 0..1; safe to call often.
using ReadProgress = std::function<void(double fraction)>;

// Reads the file or folder at path with `options` (their limits and the series of an exam
// to open), refusing a grid beyond the limits from its header, before the samples are read.
// The answer may be an exam's list with no volume (ImportResult::isListing). Runs on a worker thread; returns soon after cancel becomes true (its
// result is then thrown away). A refusal is one line without the path, which the window
// adds; a refusal about a file inside (a slice of a series) names that file.
using VolumeReader = std::function<ImportResult(const QString &path, const ImportOptions &options, const ReadProgress &progress,
                                                const std::atomic<bool> &cancel)>;

// The reader the program uses for every format but `.dat`: the import in a process of its own
// (ReaderProcess), ended when it reports no progress for stallLimit. program: the reader
// program to start; the shipped one unless a test names its own.
VolumeReader processVolumeReader(std::chrono::milliseconds stallLimit = std::chrono::seconds(30),
                                 const QString &program = ReaderProcess::defaultProgram());

// Builds the Volume of a successful read: odd-size adjustment, checks, encoding, texture and
// histogram, with their console lines. Needs the view's GL context current (GUI thread).
// !isValid() means refused; refusal() says why, as the console did.
std::unique_ptr<Volume> makeVolume(const VolumeDescription &description);
