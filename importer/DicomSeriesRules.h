#pragma once

#include "DicomHeader.h"
#include "ExamSeries.h"

#include <QString>

#include <array>
#include <vector>

// The rules that make an exam's series from the headers of its files, as pure functions
// on header records, which read no file.
//
// A series is what one Series Instance UID holds, less copies of one image. Where it holds
// several stacks, each is an entry of its own: planes of another orientation or image size,
// images of another kind (colour beside grey, a multi-frame file), and acquisitions that
// cover the same places again. The entries are ordered by patient, study and series number;
// the images of an entry lie along the normal of their planes, or by instance number where
// they carry no position.
namespace DicomSeriesRules {

using Stack = std::vector<DicomHeader>;

// Copies of one image (the same instance UID in several files, as a folder of the same
// image in several transfer syntaxes holds) count once: the first whole one.
std::vector<DicomHeader> withoutCopies(std::vector<DicomHeader> files);

bool sameOrientation(const DicomHeader &a, const DicomHeader &b);

// Grouped by series, split into stacks, each sorted, in the order of the list.
std::vector<Stack> stacksOf(std::vector<DicomHeader> files);

// Whether every image states where it lies and how its plane is turned.
bool allPlaced(const Stack &stack);

std::array<double, 3> normalOf(const DicomHeader &file);

// Sorts along the normal of the first image's plane where all are placed, else by
// instance number; never refuses.
void sortStack(Stack *stack);

// The spacing of a stack sorted along its normal: refuses (ImportError naming `where` and
// the files) planes of different orientation, two at one place and uneven steps.
double checkedSpacing(const QString &where, const Stack &sorted);

// The entry as listed: names, image count, grid and spacing (the mean step along the
// normal, the slice thickness where positions are missing).
ExamSeries describe(const Stack &stack);

// The list of the entries, each described, those of one series told apart by their
// acquisition where it differs, else by their place among them ("part 2 of 3").
std::vector<ExamSeries> describeAll(const std::vector<Stack> &stacks);

} // namespace DicomSeriesRules
