#pragma once

#include "ThickSlab.h"

#include <QMetaObject>
#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class ReadingLayout;
class SliceView;

// The thick slab of the current 2-D view: its thickness in millimetres ("off" at 0, the
// plain slice) and its mode. The controls show the slab of whichever view is current and
// follow a change made in the view's own menu.
class SlabControls : public QWidget
{
    Q_OBJECT

public:
    explicit SlabControls(ReadingLayout *layout, QWidget *parent = nullptr);

private:
    void follow(SliceView *view);
    void show(const SlabSetting &slab);
    void apply();

    ReadingLayout *layout;
    QDoubleSpinBox *thicknessBox;
    QComboBox *modeBox;
    QMetaObject::Connection followed;
};
