#pragma once

#include "TransferPresets.h"

#include <QComboBox>

// The list of transfer-function presets beside the editor. Its first entry is the list's
// title, which it shows again once a preset has been chosen, so that the same preset can be
// chosen twice in a row.
class PresetChooser : public QComboBox
{
    Q_OBJECT

public:
    explicit PresetChooser(QWidget *parent);

signals:
    void presetChosen(const TransferPresets::Preset &preset);

private:
    void choose(int index);
};
