#include "SliceViewMenu.h"

#include "MeasurementReport.h"
#include "MeasurementShape.h"
#include "ReadingState.h"
#include "SliceView.h"

#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace {

// Thicknesses a menu offers; the slab controls take any.
constexpr double menuThicknesses[] = {5.0, 10.0, 15.0, 30.0};

// "Slab": off or one of a few thicknesses, and the mode.
void addSlabMenu(QMenu *menu, SliceView *view)
{
    QMenu *slabMenu = menu->addMenu(SliceView::tr("Slab"));
    const SlabSetting slab = view->slab();
    auto *thicknesses = new QActionGroup(slabMenu);
    QAction *off = slabMenu->addAction(SliceView::tr("Off"), view, [view] { view->setSlab({0.0, view->slab().mode}); });
    off->setCheckable(true);
    off->setChecked(slab.thickness == 0.0);
    thicknesses->addAction(off);
    for (double thickness : menuThicknesses) {
        QAction *action = slabMenu->addAction(SliceView::tr("%1 mm").arg(thickness), view,
                                              [view, thickness] { view->setSlab({thickness, view->slab().mode}); });
        action->setCheckable(true);
        action->setChecked(slab.thickness == thickness);
        thicknesses->addAction(action);
    }
    slabMenu->addSeparator();
    auto *modes = new QActionGroup(slabMenu);
    const QStringList names = slabModeNames();
    for (int m = 0; m < names.size(); ++m) {
        QAction *action = slabMenu->addAction(names[m], view, [view, m] { view->setSlab({view->slab().thickness, SlabMode(m)}); });
        action->setCheckable(true);
        action->setChecked(int(slab.mode) == m);
        modes->addAction(action);
    }
}

} // namespace

QMenu *sliceViewMenu(SliceView *view, ReadingState *state, const QPointF &point)
{
    auto *menu = new QMenu(view);
    MeasurementSet *set = state->measurements();
    const MeasurementHit hit = hitAt(set->all(), set->selected(), view->sliceMapping(), point);
    if (hit.found()) {
        set->select(hit.index);
        QAction *remove = menu->addAction(SliceView::tr("Delete measurement"), set, [set, hit] { set->remove(hit.index); });
        remove->setShortcut(QKeySequence(Qt::Key_Delete));
        menu->addSeparator();
    }
    auto *tools = new QActionGroup(menu);
    const QStringList names = MeasurementSet::toolNames();
    for (int t = 0; t < names.size(); ++t) {
        QAction *tool = menu->addAction(names[t], set, [set, t] { set->setTool(MeasurementSet::Tool(t)); });
        tool->setCheckable(true);
        tool->setChecked(int(set->tool()) == t);
        tools->addAction(tool);
    }
    menu->addSeparator();
    addSlabMenu(menu, view);
    menu->addAction(SliceView::tr("Fit slice"), view, &SliceView::fitSlice)->setShortcut(QKeySequence(Qt::Key_Home));
    menu->addAction(SliceView::tr("Copy measurements"), set, [state] {
        QGuiApplication::clipboard()->setText(measurementTable(state->source(), state->measurements()->all(), TableFormat::Text));
    });
    menu->addAction(SliceView::tr("Measurement list..."), view, &SliceView::measurementListRequested);
    return menu;
}
