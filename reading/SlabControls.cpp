#include "SlabControls.h"

#include "ReadingLayout.h"
#include "SliceView.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSignalBlocker>

namespace {

constexpr double thickestSlab = 1000.0;

} // namespace

SlabControls::SlabControls(ReadingLayout *layout, QWidget *parent)
    : QWidget(parent), layout(layout), thicknessBox(new QDoubleSpinBox(this)), modeBox(new QComboBox(this))
{
    thicknessBox->setObjectName("slabThicknessBox");
    thicknessBox->setRange(0.0, thickestSlab);
    thicknessBox->setDecimals(1);
    thicknessBox->setSingleStep(1.0);
    thicknessBox->setSuffix(tr(" mm"));
    thicknessBox->setSpecialValueText(tr("off"));
    thicknessBox->setToolTip(tr("The thickness of the slab the current 2-D view shows; off shows one slice"));
    modeBox->setObjectName("slabModeBox");
    modeBox->addItems(slabModeNames());
    modeBox->setToolTip(tr("What the slab shows of its slices: the brightest, the darkest or their mean"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Slab"), this));
    row->addWidget(thicknessBox);
    row->addWidget(modeBox);

    connect(thicknessBox, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &SlabControls::apply);
    connect(modeBox, qOverload<int>(&QComboBox::activated), this, &SlabControls::apply);
    connect(layout, &ReadingLayout::currentSliceViewChanged, this, &SlabControls::follow);
    follow(layout->currentSliceView());
}

void SlabControls::follow(SliceView *view)
{
    disconnect(followed);
    followed = connect(view, &SliceView::slabChanged, this, &SlabControls::show);
    show(view->slab());
}

void SlabControls::show(const SlabSetting &slab)
{
    const QSignalBlocker blockThickness(thicknessBox);
    const QSignalBlocker blockMode(modeBox);
    thicknessBox->setValue(slab.thickness);
    modeBox->setCurrentIndex(int(slab.mode));
}

void SlabControls::apply()
{
    layout->currentSliceView()->setSlab({thicknessBox->value(), SlabMode(modeBox->currentIndex())});
}
