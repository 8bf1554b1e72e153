#pragma once

#include "SourceVolume.h"

#include "ItkHeaders.h"

#include <QString>

// What the format readers built on ITK's image I/O share: quiet libraries, one-line
// reasons from ITK's exceptions, and a whole image read into a SourceVolume. Every
// function refuses with an ImportError naming `file`.
namespace ItkImageIO {

// Keeps ITK and GDCM from writing warnings to the console: the caller prints.
void quietLibraries();

// ITK's message as one line: its description, whitespace collapsed, cut to a sane length.
QString reason(const std::exception &error);

// Reads the header of the file set on `io`; refuses images of vectors or colours, of more than three dimensions
// (a fourth of size one is fine), and of types other than 8- to 32-bit integers and floats.
// Fills in sizes, spacing, type and the frame ITK states (a 2-D image is one slice) and
// checks the grid. The frame stays marked unknown: whether the file stated one or ITK
// assumed it, only the format's reader can tell.
void readInformation(itk::ImageIOBase &io, const QString &file, SourceVolume *volume);

// Reads the whole image into `buffer`, which must hold it.
void readPixels(itk::ImageIOBase &io, const QString &file, void *buffer);

} // namespace ItkImageIO
