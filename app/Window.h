#pragma once

#include <QString>
#include <QWidget>

class GLWidget;
class QGroupBox;
class QSlider;

// The main window: the view in its render box, beside it the "Menu" box with the "Slices"
// group and its three sliders, which place the slice planes of the view.
class Window : public QWidget
{
    Q_OBJECT

public:
    Window();

private:
    friend class TestWindow;

    QSlider *makeSlider(QGroupBox *slicesBox);

    GLWidget *glWidget;
    QSlider *lengthSlider;
    QSlider *widthSlider;
    QSlider *depthSlider;
    QString fileName;
};
