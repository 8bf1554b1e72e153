#pragma once

#include "OwnedArray.h"

#include <cstdint>
#include <memory>
#include <string>

// The file through which the reader program hands the values it read to its caller: a file
// in memory with no name (memfd) that the caller makes and the reader inherits. The reader
// maps it and reads the values straight into it in their stored type; the caller maps the
// finished file read-only and keeps that mapping as the volume's original values, so the
// values are written once and never copied. Having no name, it cannot be left behind: its
// memory goes with the last process that holds or maps it, whichever ends first.

// A new, empty file, closed on exec unless a child is to inherit it; -1 with failure set
// on a fault.
int makeSampleFile(std::string &failure);

// Gives the file room for `bytes` and maps it for writing; throws std::bad_alloc when there
// is no room.
OwnedArray<unsigned char> createValueBytes(int file, uint64_t bytes);

// Maps the file, which must hold exactly `bytes`, read-only; the mapping stays valid when
// the file is closed. Null, with failure set, on a fault.
std::shared_ptr<const unsigned char> mapValueBytes(int file, uint64_t bytes, std::string &failure);
