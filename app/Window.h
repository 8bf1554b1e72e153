#pragma once

#include "ProgramRequest.h"
#include "VolumeReader.h"

#include <QGradientStops>
#include <QString>
#include <QWidget>

#include <array>

class CropBoxControl;
class GLWidget;
class GradientEditor;
class MeasurementKeeper;
class MeasurementListDialog;
class PictureSaver;
class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QSlider;
class QToolButton;
class ReadingLayout;
class RecentVolumes;
class StopsHistory;
class StopsKeeper;
class VolumeOpener;
namespace TransferPresets {
struct Preset;
}

// The main window: the view in its render box, beside it the "Menu" box with the "load
// Volume" button and the "Slices" group, below them the "Color Editor" box with the
// transfer-function editor, and at the bottom the status line with the open flow's progress.
// It lays these out and wires them together; the jobs are done by the classes named after
// them: the VolumeOpener opens volume files and folders (chosen, dropped, recent or named on
// the command line), the StopsKeeper keeps each volume's transfer function in its stops
// file and the StopsHistory its undo steps, the MeasurementKeeper keeps the measurements
// made in the 2-D views in their file and in the same history, the PictureSaver saves
// pictures of the view and RecentVolumes remembers what was opened.
//
// The editor's edits (and a click on "fixate color to alpha", and a preset) are what the
// stops file and the history take; the stops the window itself puts into the editor when a
// volume is shown, or when a step is undone, are not new edits.
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
    // The Nth series (from 1) of the exam at path, as `--list` numbers them.
    void openSeries(const QString &path, int series);
    // What the command line asks of the window: the volume it names, opened after start.
    void startWith(const ProgramRequest &request);
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
    void saveGradientStops(const QGradientStops &stops);
    void setOpenFileName();
    void setOpenFolderName();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makeRenderBox();
    QWidget *makeColorBox();
    QBoxLayout *makeSlabRow(QWidget *renderBox);
    QLayout *makeStatusLine();
    QSlider *makeSlider(QGroupBox *slicesBox);
    QLayout *sliderColumn(const QString &axis, QSlider *slider, QGroupBox *slicesBox);
    QLayout *editorTools(QWidget *colorBox);
    void connectStops();
    void addShortcuts();
    void tableRange(int &lo, int &hi) const;
    void rebuildTransferTable();
    void restoreStep(const QGradientStops &stops);
    void applyPreset(const TransferPresets::Preset &preset);
    void takeShownVolume(const QString &name);
    void chooseSeries(const QString &path, const std::vector<ExamSeries> &exam, bool remember);
    void showStatus(const QString &text);
    void connectReadingViews();
    void showReadout(const QString &text);
    void cropView(const std::array<double, 6> &patientBounds);
    void updateHistoryButtons();
    void showMeasurementList();

    GLWidget *glWidget;
    GradientEditor *gradientEditor;
    QCheckBox *fixateColorBox;
    QLabel *statusLine;
    // What the status line says when the cursor is over no 2-D view.
    QString statusText;
    ReadingLayout *readingLayout;
    CropBoxControl *cropControl;
    QToolButton *undoButton;
    QToolButton *redoButton;
    QMenu *recentMenu;
    VolumeOpener *opener;
    StopsKeeper *keeper;
    StopsHistory *history;
    MeasurementKeeper *measurementKeeper;
    MeasurementListDialog *measurementList = nullptr;
    RecentVolumes *recentVolumes;
    PictureSaver *pictureSaver;
};
