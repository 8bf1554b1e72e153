#pragma once

#include "SampleBuffer.h"

#include <string>

// The file through which the reader process hands its samples to the viewer: the reader
// maps it and maps its values straight into it, the viewer maps the finished file, so the
// samples are written once and never copied. The file lives in a private folder of the
// viewer's, preferably in memory (/dev/shm).

// Makes the file at path (which must not exist yet) with room for count samples and maps it
// for writing; throws std::bad_alloc when there is no room. The file stays when the buffer
// is released.
SampleBuffer createSampleFile(const std::string &path, size_t count);

// Maps the file at path, which must hold exactly count samples, for reading; copy-on-write,
// so the mapping stays valid when the file is removed. Empty, with failure set, on a fault.
SampleBuffer mapSampleFile(const std::string &path, size_t count, std::string &failure);
