#include "PresetChooser.h"

#include <QCoreApplication>

PresetChooser::PresetChooser(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName("presets");
    addItem(tr("Presets"));
    for (const TransferPresets::Preset &preset : TransferPresets::all())
        addItem(QCoreApplication::translate("TransferPresets", preset.name));
    setToolTip(tr("Start the transfer function from a preset, placed over the volume's values "
                  "(Ctrl+Z returns to the previous one)"));
    connect(this, qOverload<int>(&QComboBox::activated), this, &PresetChooser::choose);
}

void PresetChooser::choose(int index)
{
    setCurrentIndex(0);
    const std::vector<TransferPresets::Preset> &presets = TransferPresets::all();
    if (index >= 1 && index <= int(presets.size()))
        emit presetChosen(presets[size_t(index - 1)]);
}
