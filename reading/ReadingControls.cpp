#include "ReadingControls.h"

#include "ReadingLayout.h"
#include "ReadingState.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QStandardItemModel>
#include <QToolButton>

namespace {

// The window box: the automatic window first, then the CT presets in their order, then the
// entry that stands for a window of the user's own, which cannot be chosen.
constexpr int automaticChoice = 0;

int customChoice()
{
    return int(ctWindowPresets().size()) + 1;
}

} // namespace

ReadingControls::ReadingControls(ReadingLayout *layout, QWidget *parent)
    : QWidget(parent), layout(layout), layoutBox(new QComboBox(this)), windowBox(new QComboBox(this)),
      toolBox(new QComboBox(this))
{
    layoutBox->setObjectName("layoutBox");
    layoutBox->addItems(ReadingLayout::modeNames());
    layoutBox->setToolTip(tr("The views shown (Ctrl+1 to Ctrl+5)"));
    addWindowChoices();
    auto *resetButton = new QToolButton(this);
    resetButton->setObjectName("resetWindowButton");
    resetButton->setText(tr("Reset window"));
    resetButton->setToolTip(tr("Back to the window the volume was opened with (Alt+0)"));
    toolBox->setObjectName("toolBox");
    toolBox->addItems(MeasurementSet::toolNames());
    toolBox->setToolTip(tr("What a left drag in a 2-D view does: move the cross point, or measure"));
    auto *listButton = new QToolButton(this);
    listButton->setObjectName("measurementListButton");
    listButton->setText(tr("List"));
    listButton->setToolTip(tr("The list of the measurements, to copy or save as CSV"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Layout"), this));
    row->addWidget(layoutBox);
    row->addSpacing(12);
    row->addWidget(new QLabel(tr("Window"), this));
    row->addWidget(windowBox);
    row->addWidget(resetButton);
    row->addSpacing(12);
    row->addWidget(new QLabel(tr("Measure"), this));
    row->addWidget(toolBox);
    row->addWidget(listButton);
    row->addStretch(1);

    ReadingState *state = layout->state();
    connect(layoutBox, qOverload<int>(&QComboBox::activated), layout, &ReadingLayout::setMode);
    connect(layout, &ReadingLayout::modeChanged, layoutBox, &QComboBox::setCurrentIndex);
    connect(windowBox, qOverload<int>(&QComboBox::activated), this, &ReadingControls::applyWindowChoice);
    connect(resetButton, &QToolButton::clicked, state, &ReadingState::resetWindow);
    connect(state, &ReadingState::windowChanged, this, &ReadingControls::showWindowChoice);
    connect(state, &ReadingState::sourceChanged, this, [this] {
        offerPresets();
        showWindowChoice();
    });
    connect(toolBox, qOverload<int>(&QComboBox::activated), state->measurements(),
            [state](int tool) { state->measurements()->setTool(MeasurementSet::Tool(tool)); });
    connect(state->measurements(), &MeasurementSet::toolChanged, toolBox,
            [this](MeasurementSet::Tool tool) { toolBox->setCurrentIndex(int(tool)); });
    connect(listButton, &QToolButton::clicked, this, &ReadingControls::measurementListRequested);
    addWindowShortcuts();
    offerPresets();
    showWindowChoice();
}

QList<QKeySequence> ReadingControls::windowShortcuts()
{
    QList<QKeySequence> keys;
    for (int choice = automaticChoice; choice < customChoice(); ++choice)
        keys << QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + choice));
    return keys;
}

void ReadingControls::addWindowChoices()
{
    const QList<QKeySequence> keys = windowShortcuts();
    windowBox->setObjectName("windowBox");
    windowBox->addItem(tr("automatic"));
    for (const WindowPreset &preset : ctWindowPresets())
        windowBox->addItem(tr("%1 %2/%3").arg(tr(preset.name)).arg(preset.window.width).arg(preset.window.level));
    windowBox->addItem(tr("custom"));
    qobject_cast<QStandardItemModel *>(windowBox->model())->item(customChoice())->setEnabled(false);
    for (int choice = automaticChoice; choice < customChoice(); ++choice)
        windowBox->setItemData(choice, keys[choice].toString(QKeySequence::NativeText), Qt::ToolTipRole);
    windowBox->setToolTip(tr("Window and level of the 2-D views (Alt+1 to Alt+5); drag with the right button to "
                             "change them"));
}

// Window-wide, so they work wherever the focus is, as the layouts' do.
void ReadingControls::addWindowShortcuts()
{
    const QList<QKeySequence> keys = windowShortcuts();
    for (int choice = automaticChoice; choice < customChoice(); ++choice) {
        auto *action = new QAction(windowBox->itemText(choice), this);
        action->setShortcut(keys[choice]);
        connect(action, &QAction::triggered, this, [this, choice] {
            if (windowBox->model()->index(choice, 0).flags() & Qt::ItemIsEnabled)
                applyWindowChoice(choice);
        });
        addAction(action);
    }
    auto *reset = new QAction(tr("Reset window"), this);
    reset->setShortcut(QKeySequence(Qt::ALT | Qt::Key_0));
    connect(reset, &QAction::triggered, layout->state(), &ReadingState::resetWindow);
    addAction(reset);
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
    for (int i = automaticChoice + 1; i < customChoice(); ++i)
        model->item(i)->setEnabled(ct);
}

void ReadingControls::showWindowChoice()
{
    const ReadingState *state = layout->state();
    int choice = customChoice();
    if (state->window() == state->automatic())
        choice = automaticChoice;
    for (size_t i = 0; i < ctWindowPresets().size() && state->source().units.hounsfield; ++i)
        if (state->window() == ctWindowPresets()[i].window)
            choice = int(i) + 1;
    windowBox->setCurrentIndex(choice);
}
