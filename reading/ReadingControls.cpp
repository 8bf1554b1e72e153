#include "ReadingControls.h"

#include "ReadingLayout.h"
#include "ReadingState.h"

#include <QComboBox>
#include <QBoxLayout>
#include <QLabel>
#include <QStandardItemModel>

namespace {

// The window box: the automatic window first, then the CT presets in their order.
constexpr int automaticChoice = 0;

} // namespace

ReadingControls::ReadingControls(ReadingLayout *layout, QWidget *parent)
    : QWidget(parent), layout(layout), layoutBox(new QComboBox(this)), windowBox(new QComboBox(this))
{
    layoutBox->setObjectName("layoutBox");
    layoutBox->addItems(ReadingLayout::modeNames());
    layoutBox->setToolTip(tr("The views shown (Ctrl+1 to Ctrl+5)"));
    windowBox->setObjectName("windowBox");
    windowBox->addItem(tr("automatic"));
    for (const WindowPreset &preset : ctWindowPresets())
        windowBox->addItem(tr("%1 %2/%3").arg(tr(preset.name)).arg(preset.window.width).arg(preset.window.level));
    windowBox->setToolTip(tr("Window and level of the 2-D views; drag with the right button to change them"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Layout"), this));
    row->addWidget(layoutBox);
    row->addSpacing(12);
    row->addWidget(new QLabel(tr("Window"), this));
    row->addWidget(windowBox);
    row->addStretch(1);

    connect(layoutBox, qOverload<int>(&QComboBox::activated), layout, &ReadingLayout::setMode);
    connect(layout, &ReadingLayout::modeChanged, layoutBox, &QComboBox::setCurrentIndex);
    connect(windowBox, qOverload<int>(&QComboBox::activated), this, &ReadingControls::applyWindowChoice);
    connect(layout->state(), &ReadingState::windowChanged, this, &ReadingControls::showWindowChoice);
    connect(layout->state(), &ReadingState::sourceChanged, this, [this] {
        offerPresets();
        showWindowChoice();
    });
    offerPresets();
    showWindowChoice();
}

void ReadingControls::applyWindowChoice(int index)
{
    ReadingState *state = layout->state();
    if (index == automaticChoice)
        state->useAutomaticWindow();
    else if (index > 0 && index <= int(ctWindowPresets().size()))
        state->setWindow(ctWindowPresets()[index - 1].window);
}

// Presets in Hounsfield units mean nothing for other values.
void ReadingControls::offerPresets()
{
    const bool ct = layout->state()->source().units.hounsfield;
    auto *model = qobject_cast<QStandardItemModel *>(windowBox->model());
    for (int i = automaticChoice + 1; i < windowBox->count(); ++i)
        model->item(i)->setEnabled(ct);
}

void ReadingControls::showWindowChoice()
{
    const ReadingState *state = layout->state();
    int choice = -1;
    if (state->window() == state->automatic())
        choice = automaticChoice;
    for (size_t i = 0; i < ctWindowPresets().size() && state->source().units.hounsfield; ++i)
        if (state->window() == ctWindowPresets()[i].window)
            choice = int(i) + 1;
    windowBox->setCurrentIndex(choice);
}
