#pragma once

#include "SampleBuffer.h"

#include <string>

// The file through which the reader process hands its samples to the viewer: a file in
// memory with no name (memfd) that the viewer makes and the reader inherits. The reader maps
// it and maps its values straight into it, the viewer maps the finished file, so the samples
// are written once and never copied. Having no name, it cannot be left behind: its memory
// goes with the last process that holds it, whichever of them ends or is killed first.

// A new, empty sample file, closed on exec unless a child is to inherit it; -1 with failure
// set on a fault.
int makeSampleFile(std::string &failure);

// Gives the file room for count samples and maps it for writing; throws std::bad_alloc when
// there is no room.
SampleBuffer createSamples(int file, size_t count);

// Maps the file, which must hold exactly count samples, for reading; copy-on-write, so the
// mapping stays valid when the file is closed. Empty, with failure set, on a fault.
SampleBuffer mapSamples(int file, size_t count, std::string &failure);
