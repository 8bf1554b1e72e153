#pragma once

#include "GridLimits.h"
#include "RawLayout.h"
#include "ValueMapping.h"

#include <optional>
#include <utility>

// Which series of a DICOM exam (a folder or DICOMDIR of several) an import opens.
enum class SeriesChoice {
    Largest,        // the one with the most grey images, the others named in a note
    Numbered,       // ImportOptions::series, numbered from 1 as the list is
    ListOnly,       // none: the answer is the list alone
    AskWhenSeveral, // one alone opens; of several, the answer is the list, to choose from
};

// How to read and map the values of one import; the defaults fit the data. Plain values
// only, so that a request carries them to the reader program whole.
struct ImportOptions
{
    // Unset: the default that fits the data (see defaultMappingKind).
    std::optional<MappingKind> mapping;
    // Set: this source range spans 0..maxSample, whatever `mapping` says.
    std::optional<std::pair<double, double>> window;
    // Set for headerless input, which the name alone cannot describe.
    std::optional<RawLayout> raw;
    // What the caller can hold; a declared grid beyond it is refused before any sample is read.
    GridLimits limits;
    SeriesChoice seriesChoice = SeriesChoice::Largest;
    // The Nth series of the exam's list for SeriesChoice::Numbered, from 1.
    int series = 0;

    friend bool operator==(const ImportOptions &a, const ImportOptions &b);
};
