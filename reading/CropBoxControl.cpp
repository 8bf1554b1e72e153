#include "CropBoxControl.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int steps = 1000;
constexpr std::array<double, 6> wholeVolume{0, 1, 0, 1, 0, 1};

} // namespace

CropBoxControl::CropBoxControl(QWidget *parent) : QGroupBox(tr("Crop box"), parent), body(new QWidget(this))
{
    setCheckable(true);
    setChecked(false);
    auto *grid = new QGridLayout(body);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int axis = 0; axis < 3; ++axis) {
        axisNames[axis] = new QLabel(body);
        grid->addWidget(axisNames[axis], 2 * axis, 0, 2, 1);
        for (int end = 0; end < 2; ++end) {
            const int i = 2 * axis + end;
            bounds[i] = new QSlider(Qt::Horizontal, body);
            bounds[i]->setObjectName(QString("cropBound%1").arg(i));
            bounds[i]->setRange(0, steps);
            bounds[i]->setValue(end == 0 ? 0 : steps);
            grid->addWidget(bounds[i], i, 1);
            connect(bounds[i], &QSlider::valueChanged, this, [this, i] { keepOrder(i); });
        }
    }
    auto *resetButton = new QPushButton(tr("Reset crop"), body);
    resetButton->setObjectName("resetCropButton");
    grid->addWidget(resetButton, 6, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(body);
    body->hide();
    connect(resetButton, &QPushButton::clicked, this, &CropBoxControl::reset);
    connect(this, &QGroupBox::toggled, this, [this](bool on) {
        body->setVisible(on);
        announce();
    });
    setPatientAxes(false);
}

std::array<double, 6> CropBoxControl::cropBox() const
{
    if (!isChecked())
        return wholeVolume;
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
    resetting = true;
    for (int i = 0; i < 6; ++i)
        bounds[i]->setValue(i % 2 == 0 ? 0 : steps);
    resetting = false;
    announce();
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
        announce();
}

void CropBoxControl::announce()
{
    if (cropBox() == announced)
        return;
    announced = cropBox();
    emit cropBoxChanged(announced);
}
