#pragma once

#include "ExamSeries.h"
#include "ValueMapping.h"
#include "VolumeDescription.h"

#include <string>

// A volume read, or the reason why not. The description is empty on a refusal.
struct ImportResult : VolumeDescription
{
    // Empty when the volume was read; else one line naming the path and the reason.
    std::string refusal;
    // The refusal came from ImportProgress::cancel().
    bool cancelled = false;

    // The stored values before mapping: their type ("int16"), the range of the finite
    // ones, and the mapping applied (described in mappingDescription as well).
    std::string sampleType;
    double lowestValue = 0.0;
    double highestValue = 0.0;
    ValueMapping mapping;

    // The series of a DICOM exam, in the order of its list, and which of them opened (from 1;
    // 0 where none did). A listing (SeriesChoice::ListOnly, or AskWhenSeveral with several)
    // holds the list and no volume.
    std::vector<ExamSeries> exam;
    int openedSeries = 0;

    bool ok() const { return refusal.empty(); }
    bool isListing() const { return ok() && sizeX == 0 && !exam.empty(); }

    // Every field, the samples included.
    friend bool operator==(const ImportResult &a, const ImportResult &b);
};

// The stored values and their mapping in a few words, for the line that reports an open:
// "int16 values -1024..3033, mapping hu (value + 1024)".
std::string valuesDescription(const ImportResult &result);
