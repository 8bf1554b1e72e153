#include "ProjectionControl.h"

#include "GLWidget.h"
#include "ReadingState.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>

ProjectionControl::ProjectionControl(GLWidget *view, ReadingState *reading, QWidget *parent)
    : QWidget(parent), view(view), reading(reading), modeBox(new QComboBox(this))
{
    modeBox->setObjectName("projectionModeBox");
    modeBox->addItems(projectionModeNames());
    modeBox->setToolTip(tr("What the 3-D view shows: the transfer function's picture, or the brightest, darkest or "
                           "mean value along each ray through the 2-D views' window"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Mode"), this));
    row->addWidget(modeBox, 1);

    connect(modeBox, qOverload<int>(&QComboBox::activated), view,
            [view](int mode) { view->setProjectionMode(ProjectionMode(mode)); });
    connect(view, &GLWidget::projectionModeChanged, modeBox, [this](ProjectionMode mode) { modeBox->setCurrentIndex(int(mode)); });
    connect(reading, &ReadingState::windowChanged, this, &ProjectionControl::passWindow);
    connect(reading, &ReadingState::sourceChanged, this, &ProjectionControl::passWindow);
    passWindow();
}

void ProjectionControl::passWindow()
{
    const WindowLevel &window = reading->window();
    view->setProjectionGreys(ProjectionGreys::between(window.level - window.width / 2, window.level + window.width / 2,
                                                      reading->source().units));
}
