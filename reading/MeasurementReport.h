#pragma once

#include "Measurement.h"
#include "RegionStatistics.h"
#include "SliceSource.h"

#include <QString>
#include <QStringList>

// What the measurements say in words: the figures drawn beside each one, and the list of
// them all as a table, tab-separated to paste into a spreadsheet or comma-separated for a
// CSV file. Lengths in mm, angles in degrees, areas in mm², values in the source's own
// units (HU for CT).

// The lines drawn beside a measurement; a region's statistics are given.
QStringList measurementFigures(const SliceSource &source, const Measurement &measurement, const RegionStatistics &stats);

// The list as rows of cells: a header row, then one row per measurement.
QList<QStringList> measurementRows(const SliceSource &source, const Measurements &measurements);

enum class TableFormat { Text, Csv };
// A header row and one row per measurement, each line ended by a newline.
QString measurementTable(const SliceSource &source, const Measurements &measurements, TableFormat format);

// The name of a measurement's kind as the list shows it.
QString kindName(MeasurementKind kind);
