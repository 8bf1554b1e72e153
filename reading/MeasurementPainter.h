#pragma once

#include "MeasurementSet.h"
#include "RegionStatistics.h"
#include "SliceMapping.h"
#include "SliceSource.h"

#include <utility>
#include <vector>

class QPainter;

// Draws the measurements of one slice with their figures beside them, the selected one with
// its handles. A region's statistics are worked out again only when the region itself has
// changed, so zooming, panning or a new window redraws without reading its voxels again.
class MeasurementPainter
{
public:
    void draw(QPainter &painter, const SliceMapping &mapping, const SliceSource &source, const MeasurementSet &set);
    // The volume's values changed: every remembered statistic is stale.
    void forget() { remembered.clear(); }

private:
    const RegionStatistics &statisticsOf(const SliceSource &source, const Measurement &region);

    std::vector<std::pair<Measurement, RegionStatistics>> remembered;
};
