#pragma once

#include "StopsHistory.h"
#include "VolumeReader.h"

#include <QGradientStops>
#include <QString>
#include <QWidget>

#include <array>

class CropBoxControl;
class GLWidget;
class GradientEditor;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;
class ReadingLayout;
class VolumeOpener;

// The main window: the view in its render box, beside it the "Menu" box with the "load
// Volume" button and the "Slices" group, below them the "Color Editor" box with the
// transfer-function editor, and at the bottom the status line with the open flow's progress.
// It wires editor, view and sliders together, opens volume files and folders (chosen,
// dropped, or named on the command line), and keeps the transfer function of each volume in
// a stops file named after the volume's base name in the working directory. The opening
// itself is the VolumeOpener's.
//
// Beside that it offers what a desktop viewer is expected to: shortcuts, a picture of the
// view, transfer-function presets and undo, a status line repeating what the console said
// about the last open or a failed save, and remembered window size, folder and recent files.
class Window : public QWidget
{
    Q_OBJECT

public:
    explicit Window(VolumeReader reader = processVolumeReader());

    // The one road of every open: a volume file or folder, as the "load Volume" dialog opens
    // it. A `.dat` file is opened before this returns; any other is read in the background.
    // Each open ends in openFinished, a refused or cancelled one with the previous volume
    // left as it was.
    void openPath(const QString &path);
    // Opens path as the dialog would, once the view has made its GL context and loaded its
    // start-up volume.
    void openAfterStart(const QString &path);
    // The stops file of the volume opened last; empty before the first open.
    QString stopsFileName() const;
    GLWidget *view() const { return glWidget; }
    ReadingLayout *readingViews() const { return readingLayout; }
    // The size kept from the last session; only the interactive program asks for it.
    void restoreWindowSize();

signals:
    void colorTextureChanged();
    // refusal: the console's line about why the open was refused; empty when it opened or
    // was cancelled.
    void openFinished(bool opened, const QString &refusal);

private slots:
    void setDefaultGradientStops();
    void setOpenFileName();
    void saveGradientStops(const QGradientStops &stops);
    void setOpenFolderName();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QSlider *makeSlider(QGroupBox *slicesBox);
    QLayout *sliderColumn(const QString &axis, QSlider *slider, QGroupBox *slicesBox);
    QLayout *editorTools(QWidget *colorBox);
    void addShortcuts();
    void tableRange(int &lo, int &hi) const;
    void rebuildTransferTable();
    void takeShownVolume(const QString &name);
    void showStatus(const QString &text);
    void showReadout(const QString &text);
    void cropView(const std::array<double, 6> &patientBounds);
    void recordStops(const QGradientStops &stops);
    void applyHistoryStep(const std::optional<QGradientStops> &stops);
    void undoStops();
    void redoStops();
    void updateHistoryButtons();
    void applyPreset(int index);
    void savePicture();
    void rememberOpened(const QString &path);
    void fillRecentMenu();

    GradientEditor *gradientEditor;
    GLWidget *glWidget;
    QSlider *lengthSlider;
    QSlider *widthSlider;
    QSlider *depthSlider;
    QPushButton *loadButton;
    QPushButton *folderButton;
    QCheckBox *fixateColorBox;
    QString fileName;
    // A failing save is reported once, not on every edit while the disk stays full.
    bool saveFailing = false;
    // While the window itself puts stops into the editor (at start and after an open), the
    // editor's announcements rebuild the table but write no file: the stops file on disk
    // changes only with the user's first edit.
    bool installingStops = false;
    // Likewise while a resize of the editor re-expresses the same stops in its new width.
    bool rescalingEditor = false;

    QLabel *statusLine;
    // What the status line says when the cursor is over no 2-D view.
    QString statusText;
    ReadingLayout *readingLayout;
    CropBoxControl *cropControl;
    VolumeOpener *opener;
    QComboBox *presetBox;
    QToolButton *undoButton;
    QToolButton *redoButton;
    QMenu *recentMenu;
    StopsHistory history;
    // Set while stops are installed that are not a new edit: a volume's stored stops or
    // an undone or redone step.
    bool replacingStep = false;
    // The editor re-announces its stops after a resize; at another size they are the same
    // step, only re-expressed in the new width.
    QSize recordedEditorSize;
};
