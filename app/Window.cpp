#include "Window.h"

#include "GLWidget.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QSlider>

Window::Window()
    : QWidget(nullptr)
{
    auto *renderBox = new QGroupBox;
    renderBox->setFlat(true);
    glWidget = new GLWidget(renderBox);
    auto *menuBox = new QGroupBox(tr("Menu"), renderBox);

    // Unchecked before the connection: the view starts in ray casting and need not be told.
    auto *slicesBox = new QGroupBox(tr("Slices"), menuBox);
    slicesBox->setCheckable(true);
    slicesBox->setChecked(false);
    connect(slicesBox, &QGroupBox::toggled, glWidget, &GLWidget::setRenderMode);

    lengthSlider = makeSlider(slicesBox);
    widthSlider = makeSlider(slicesBox);
    depthSlider = makeSlider(slicesBox);

    connect(lengthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setLength);
    connect(glWidget, &GLWidget::xRotationChanged, lengthSlider, &QSlider::setValue);
    connect(widthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setWidth);
    connect(glWidget, &GLWidget::yRotationChanged, widthSlider, &QSlider::setValue);
    connect(depthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setDepth);
    connect(glWidget, &GLWidget::zRotationChanged, depthSlider, &QSlider::setValue);

    auto *mainLayout = new QVBoxLayout;
    mainLayout->addWidget(renderBox, 1);
    setLayout(mainLayout);

    auto *renderLayout = new QHBoxLayout(renderBox);
    renderLayout->addWidget(glWidget, 1);
    renderLayout->addSpacing(16);
    renderLayout->addWidget(menuBox, 0);

    auto *menuLayout = new QVBoxLayout(menuBox);
    menuLayout->addSpacing(8);
    menuLayout->addWidget(slicesBox, 1);

    auto *slicesLayout = new QHBoxLayout(slicesBox);
    slicesLayout->addWidget(lengthSlider);
    slicesLayout->addWidget(widthSlider);
    slicesLayout->addWidget(depthSlider);

    lengthSlider->setValue(0);
    widthSlider->setValue(0);
    depthSlider->setValue(0);

    setWindowTitle(tr("Dichtenschau"));
}

QSlider *Window::makeSlider(QGroupBox *slicesBox)
{
    auto *slider = new QSlider(Qt::Vertical, slicesBox);
    slider->setRange(0, 5760);
    slider->setSingleStep(16);
    slider->setPageStep(240);
    slider->setTickInterval(240);
    slider->setTickPosition(QSlider::TicksRight);
    return slider;
}
