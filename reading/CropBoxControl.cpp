#include "CropBoxControl.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

constexpr int steps = 1000;

} // namespace

CropBoxControl::CropBoxControl(QWidget *parent) : QGroupBox(tr("Crop box"), parent)
{
    auto *grid = new QGridLayout(this);
    for (int axis = 0; axis < 3; ++axis) {
        axisNames[axis] = new QLabel(this);
        grid->addWidget(axisNames[axis], 2 * axis, 0, 2, 1);
        for (int end = 0; end < 2; ++end) {
            const int i = 2 * axis + end;
            bounds[i] = new QSlider(Qt::Horizontal, this);
            bounds[i]->setObjectName(QString("cropBound%1").arg(i));
            bounds[i]->setRange(0, steps);
            bounds[i]->setValue(end == 0 ? 0 : steps);
            grid->addWidget(bounds[i], i, 1);
            connect(bounds[i], &QSlider::valueChanged, this, [this, i] { keepOrder(i); });
        }
    }
    auto *resetButton = new QPushButton(tr("Reset crop"), this);
    resetButton->setObjectName("resetCropButton");
    grid->addWidget(resetButton, 6, 0, 1, 2);
    connect(resetButton, &QPushButton::clicked, this, &CropBoxControl::reset);
    setPatientAxes(false);
}

std::array<double, 6> CropBoxControl::cropBox() const
{
    std::array<double, 6> box;
    for (int i = 0; i < 6; ++i)
        box[i] = bounds[i]->value() / double(steps);
    return box;
}

void CropBoxControl::setPatientAxes(bool patient)
{
    const QStringList names = patient ? QStringList{tr("R-L"), tr("A-P"), tr("I-S")} : QStringList{tr("x"), tr("y"), tr("z")};
    for (int axis = 0; axis < 3; ++axis)
        axisNames[axis]->setText(names[axis]);
}

void CropBoxControl::reset()
{
    if (cropBox() == std::array<double, 6>{0, 1, 0, 1, 0, 1})
        return;
    resetting = true;
    for (int i = 0; i < 6; ++i)
        bounds[i]->setValue(i % 2 == 0 ? 0 : steps);
    resetting = false;
    emit cropBoxChanged(cropBox());
}

void CropBoxControl::keepOrder(int moved)
{
    const int other = moved ^ 1;
    const bool lower = moved % 2 == 0;
    const int value = bounds[moved]->value();
    // Setting the other bound calls back here with nothing left to push; that call
    // announces the box with both bounds in place.
    if (lower ? bounds[other]->value() < value : bounds[other]->value() > value) {
        bounds[other]->setValue(value);
        return;
    }
    if (!resetting)
        emit cropBoxChanged(cropBox());
}
