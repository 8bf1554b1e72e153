#include "ReadingLayout.h"

#include "ReadingState.h"
#include "SliceView.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>

ReadingLayout::ReadingLayout(QWidget *view3d, QWidget *parent)
    : QWidget(parent), view3d(view3d), shared(new ReadingState(this))
{
    for (SliceOrientation o : {SliceOrientation::Axial, SliceOrientation::Coronal, SliceOrientation::Sagittal}) {
        SliceView *view = new SliceView(o, shared, this);
        view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        view->hide();
        connect(view, &SliceView::readoutChanged, this, &ReadingLayout::readoutChanged);
        connect(view, &SliceView::measurementListRequested, this, &ReadingLayout::measurementListRequested);
        view->installEventFilter(this);
        slices[int(o)] = view;
    }
    current = slices[int(SliceOrientation::Axial)];
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(gridSpacing);
    for (int view = 0; view < 4; ++view)
        grid->addWidget(view < 3 ? slices[view] : view3d, gridCell(view).y(), gridCell(view).x());
    addModeShortcuts();
}

QStringList ReadingLayout::modeNames()
{
    return {tr("3-D"), tr("Axial"), tr("Coronal"), tr("Sagittal"), tr("2 x 2")};
}

QPoint ReadingLayout::gridCell(int view)
{
    return QPoint(view % 2, view / 2);
}

void ReadingLayout::setMode(int mode)
{
    if (mode < View3D || mode > Grid || mode == shownMode)
        return;
    shownMode = Mode(mode);
    // Hidden views leave their rows and columns of the grid empty, so one view alone
    // takes the whole area.
    view3d->setVisible(shownMode == View3D || shownMode == Grid);
    slices[int(SliceOrientation::Axial)]->setVisible(shownMode == Axial || shownMode == Grid);
    slices[int(SliceOrientation::Coronal)]->setVisible(shownMode == Coronal || shownMode == Grid);
    slices[int(SliceOrientation::Sagittal)]->setVisible(shownMode == Sagittal || shownMode == Grid);
    if (shownMode >= Axial && shownMode <= Sagittal)
        makeCurrent(slices[shownMode - Axial]);
    emit modeChanged(shownMode);
}

bool ReadingLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        makeCurrent(static_cast<SliceView *>(watched));
    return QWidget::eventFilter(watched, event);
}

void ReadingLayout::makeCurrent(SliceView *view)
{
    if (view == current)
        return;
    current = view;
    emit currentSliceViewChanged(view);
}

void ReadingLayout::addModeShortcuts()
{
    const Qt::Key keys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5};
    for (int mode = View3D; mode <= Grid; ++mode) {
        auto *action = new QAction(modeNames().at(mode), this);
        action->setShortcut(QKeySequence(Qt::CTRL | keys[mode]));
        connect(action, &QAction::triggered, this, [this, mode] { setMode(mode); });
        addAction(action);
    }
}
