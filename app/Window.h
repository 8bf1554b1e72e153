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

    // Opens the volume file at path as the "load Volume" dialog does with its answer.
    void openVolume(const QString &path);
    // The stops file of the volume opened last; empty before the first open.
    QString stopsFileName() const;

signals:
    void colorTextureChanged();

private slots:
    void setDefaultGradientStops();
    void setOpenFileName();
    void saveGradientStops(const QGradientStops &stops);

private:
    QSlider *makeSlider(QGroupBox *slicesBox);
    void rebuildTransferTable();

    GradientEditor *gradientEditor;
    GLWidget *glWidget;
    QSlider *lengthSlider;
    QSlider *widthSlider;
    QSlider *depthSlider;
    QPushButton *loadButton;
    QCheckBox *fixateColorBox;
    QString fileName;
    // A failing save is reported once, not on every edit while the disk stays full.
    bool saveFailing = false;
    // While the window itself puts stops into the editor (at start and after an open), the
    // editor's announcements rebuild the table but write no file: the stops file on disk
    // changes only with the user's first edit.
    bool installingStops = false;
};
