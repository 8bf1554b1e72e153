#pragma once

#include <QGradientStops>
#include <QString>
#include <QWidget>

class GLWidget;
class GradientEditor;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QSlider;
class Volume;

// The main window: the view in its render box, beside it the "Menu" box with the "load
// Volume" button and the "Slices" group, below them the "Color Editor" box with the
// transfer-function editor. It wires editor, view and sliders together, opens volume
// files, and keeps the transfer function of each volume in a stops file named after the
// volume's base name in the working directory.
class Window : public QWidget
{
    Q_OBJECT

public:
    Window();

signals:
    void colorTextureChanged();

private slots:
    void setDefaultGradientStops();
    void setOpenFileName();
    void saveGradientStops(const QGradientStops &stops);

private:
    friend class TestWindow;
    friend class TestWholeProgram;
    friend class WindowProbe;

    QSlider *makeSlider(QGroupBox *slicesBox);
    QString stopsFileName() const;
    void rebuildTransferTable();
    void openVolume(const QString &path);

    GradientEditor *gradientEditor;
    GLWidget *glWidget;
    QSlider *lengthSlider;
    QSlider *widthSlider;
    QSlider *depthSlider;
    QPushButton *loadButton;
    QCheckBox *fixateColorBox;
    Volume *volume = nullptr;
    QString fileName;
    // A failing save is reported once, not on every edit while the disk stays full.
    bool saveFailing = false;
};
