#pragma once

#include <QPointF>

class QMenu;
class ReadingState;
class SliceView;

// The menu of a right click in a 2-D view: "Delete measurement" where the click met one
// (which it selects), the measuring tools, the thick slab, "Fit slice", "Copy measurements" and the list.
QMenu *sliceViewMenu(SliceView *view, ReadingState *state, const QPointF &point);
