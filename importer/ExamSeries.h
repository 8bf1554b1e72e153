#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One entry of an exam as the reader program lists it: a series, or one stack of a series
// that holds several (planes of another orientation or size, another acquisition over the
// same places). Texts as the files give them; the grid and spacing as the series would
// open, x along the rows.
struct ExamSeries
{
    std::string patientName;
    std::string patientId;
    // "20240131", as stored.
    std::string studyDate;
    std::string studyDescription;
    std::string seriesNumber;
    std::string seriesDescription;
    // What tells the entry from the others of its series where one series made several:
    // "acquisition 2", "part 1 of 2"; empty where it is the whole series.
    std::string part;
    std::string modality;
    int images = 0;
    int sizes[3] = {0, 0, 0};
    double spacing[3] = {1.0, 1.0, 1.0};
    // Colour images, which the viewer does not show.
    bool colour = false;

    friend bool operator==(const ExamSeries &a, const ExamSeries &b);
};

// The series' own name: its description, else "series " and its number, else "no
// description"; which stack of the series it is follows in brackets: "contrast (acquisition 2)".
std::string examSeriesName(const ExamSeries &series);

// "2024-01-31" from "20240131"; other texts as they are.
std::string examStudyDate(const std::string &date);

// One line of the exam's list, without its number:
// "CT, localizer, 2 images, 8 x 5 x 2, 0.5 x 0.75 x 2.5 mm; patient DOE^JANE (4711), study
// 2024-01-31 chest, series 1".
std::string examSeriesLine(const ExamSeries &series);

// Who and what: "patient DOE^JANE (4711), study 2024-01-31, series 1 localizer".
std::string examSeriesOrigin(const ExamSeries &series);

// The index of the entry with the most images among those the viewer shows (grey ones), the
// first of equals; of all where none is grey. The exam must not be empty.
size_t largestShowableSeries(const std::vector<ExamSeries> &exam);
