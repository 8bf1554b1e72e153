#include "SliceViewMenu.h"

#include "MeasurementReport.h"
#include "MeasurementShape.h"
#include "ReadingState.h"
#include "SliceView.h"

#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

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
    menu->addAction(SliceView::tr("Fit slice"), view, &SliceView::fitSlice)->setShortcut(QKeySequence(Qt::Key_Home));
    menu->addAction(SliceView::tr("Copy measurements"), set, [state] {
        QGuiApplication::clipboard()->setText(measurementTable(state->source(), state->measurements()->all(), TableFormat::Text));
    });
    menu->addAction(SliceView::tr("Measurement list..."), view, &SliceView::measurementListRequested);
    return menu;
}
