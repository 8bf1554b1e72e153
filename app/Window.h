#pragma once

#include "VolumeReader.h"

#include <QFutureWatcher>
#include <QGradientStops>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class GLWidget;
class GradientEditor;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;
class Volume;

// The main window: the view in its render box, beside it the "Menu" box with the "load
// Volume" button and the "Slices" group, below them the "Color Editor" box with the
// transfer-function editor, and at the bottom a line for the open flow's messages and
// progress. It wires editor, view and sliders together, opens volume files and folders
// (chosen, dropped, or named on the command line), and keeps the transfer function of each
// volume in a stops file named after the volume's base name in the working directory.
//
// A `.dat` file is opened at once on the GUI thread. Every other format is read by the
// VolumeReader on a worker thread while the window stays live and shows the progress; only
// the hand-over to the Volume (texture upload, histogram) comes back to the GUI thread.
class Window : public QWidget
{
    Q_OBJECT

public:
    explicit Window(VolumeReader reader = importingVolumeReader());
    ~Window() override;

    // Opens path as the "load Volume" dialog would, once the view has made its GL context
    // and loaded its start-up volume.
    void openAfterStart(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

signals:
    void colorTextureChanged();

private slots:
    void setDefaultGradientStops();
    void setOpenFileName();
    void saveGradientStops(const QGradientStops &stops);
    void setOpenFolderName();
    void cancelReading();
    void finishReading();
    void showReadProgress();

private:
    friend class TestWindow;
    friend class TestWholeProgram;
    friend class WindowProbe;

    QSlider *makeSlider(QGroupBox *slicesBox);
    QString stopsFileName() const;
    void rebuildTransferTable();
    void openPath(const QString &path);
    void openVolume(const QString &path);
    void startReading(const QString &path);
    bool showVolume(Volume *opened, const QString &path, const std::array<double, 3> &spacing);
    void refuse(const QString &path, const QString &reason);
    void showStatus(const QString &text);
    void showReading(bool reading);

    GradientEditor *gradientEditor;
    GLWidget *glWidget;
    QSlider *lengthSlider;
    QSlider *widthSlider;
    QSlider *depthSlider;
    QPushButton *loadButton;
    QPushButton *folderButton;
    QCheckBox *fixateColorBox;
    Volume *volume = nullptr;
    QString fileName;
    // A failing save is reported once, not on every edit while the disk stays full.
    bool saveFailing = false;

    QLabel *statusLabel;
    QProgressBar *progressBar;
    QPushButton *cancelButton;
    QTimer *progressTimer;
    VolumeReader reader;
    // The read in flight, shared with its worker thread; null while none runs.
    struct Reading;
    std::shared_ptr<Reading> reading;
    QFutureWatcher<ReadVolume> readWatcher;
};
