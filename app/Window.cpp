#include "Window.h"

#include "CinePlayer.h"
#include "ConsoleLine.h"
#include "CropBoxControl.h"
#include "ElidedLabel.h"
#include "GLWidget.h"
#include "GradientEditor.h"
#include "MeasurementKeeper.h"
#include "MeasurementListDialog.h"
#include "PictureSaver.h"
#include "PresetChooser.h"
#include "ProjectionControl.h"
#include "ReadingControls.h"
#include "ReadingLayout.h"
#include "ReadingSource.h"
#include "ReadingState.h"
#include "RecentVolumes.h"
#include "SampleLimits.h"
#include "SlabControls.h"
#include "StopsHistory.h"
#include "StopsKeeper.h"
#include "TransferPresets.h"
#include "Volume.h"
#include "VolumeDrops.h"
#include "VolumeFileDialog.h"
#include "SeriesChooser.h"
#include "VolumeOpener.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {

const char *const sizeKey = "window/size";

} // namespace

Window::Window(VolumeReader reader)
    : QWidget(nullptr)
{
    keeper = new StopsKeeper(this);
    history = new StopsHistory(this);
    recentVolumes = new RecentVolumes(this);
    QWidget *renderBox = makeRenderBox();
    QWidget *colorBox = makeColorBox();
    pictureSaver = new PictureSaver(glWidget, this);
    opener = new VolumeOpener(glWidget, std::move(reader), this);
    measurementKeeper = new MeasurementKeeper(readingLayout->state()->measurements(), history->undoStack(), this);

    auto *mainLayout = new QVBoxLayout;
    mainLayout->addWidget(renderBox, 1);
    mainLayout->addWidget(colorBox, 0);
    mainLayout->addLayout(makeStatusLine(), 0);
    setLayout(mainLayout);

    connectStops();
    connect(opener, &VolumeOpener::statusChanged, this, &Window::showStatus);
    connectReadingViews();
    connect(opener, &VolumeOpener::volumeShown, this, &Window::takeShownVolume);
    connect(opener, &VolumeOpener::rememberedOpenSucceeded, recentVolumes, &RecentVolumes::remember);
    connect(opener, &VolumeOpener::openFinished, this, &Window::openFinished);
    connect(opener, &VolumeOpener::seriesToChoose, this, &Window::chooseSeries);
    connect(recentVolumes, &RecentVolumes::chosen, opener, &VolumeOpener::openRemembered);
    connect(new VolumeDrops(this), &VolumeDrops::dropped, opener, &VolumeOpener::openRemembered);
    connect(pictureSaver, &PictureSaver::statusChanged, this, &Window::showStatus);
    connect(measurementKeeper, &MeasurementKeeper::reported, this, &Window::showStatus);

    setWindowTitle(tr("Dichtenschau"));
    addShortcuts();
    // Never smaller than the layout needs, so every slider and curve keeps room to be used.
    setMinimumSize(minimumSizeHint());

    // From the running event loop, once the window and its editor have their sizes.
    QTimer::singleShot(50, this, &Window::setDefaultGradientStops);
}

// The view, and beside it the "Menu" box: the open and picture buttons and the "Slices"
// group with a slider for each axis.
QWidget *Window::makeRenderBox()
{
    auto *renderBox = new QGroupBox;
    renderBox->setFlat(true);
    glWidget = new GLWidget(renderBox);
    readingLayout = new ReadingLayout(glWidget, renderBox);
    auto *menuBox = new QGroupBox(tr("Menu"), renderBox);

    auto *loadButton = new QPushButton(tr("load Volume"), menuBox);
    connect(loadButton, &QPushButton::clicked, this, &Window::setOpenFileName);
    loadButton->setToolTip(tr("Open a volume file (Ctrl+O)"));
    auto *folderButton = new QPushButton(tr("load DICOM Folder"), menuBox);
    connect(folderButton, &QPushButton::clicked, this, &Window::setOpenFolderName);
    folderButton->setToolTip(tr("Open the DICOM series in a folder"));
    auto *recentButton = new QToolButton(menuBox);
    recentButton->setText(tr("recent Volumes"));
    recentButton->setToolTip(tr("Open one of the volumes opened lately"));
    recentButton->setPopupMode(QToolButton::InstantPopup);
    recentButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    recentMenu = new QMenu(recentButton);
    recentButton->setMenu(recentMenu);
    connect(recentMenu, &QMenu::aboutToShow, this, [this] { recentVolumes->fillMenu(recentMenu); });
    auto *pictureButton = new QPushButton(tr("save Picture"), menuBox);
    pictureButton->setToolTip(tr("Save the view as a PNG picture (Ctrl+S)"));
    connect(pictureButton, &QPushButton::clicked, this,
            [this] { pictureSaver->save(keeper->volumeName(), recentVolumes->lastFolder()); });
    menuBox->setToolTip(tr("Ctrl+Q quits"));
    glWidget->setToolTip(tr("Drag to turn, drag with the middle button to move; + and - zoom, "
                            "Home returns to the start view, Ctrl+S saves a picture"));

    // Unchecked before the connection: the view starts in ray casting and need not be told.
    auto *slicesBox = new QGroupBox(tr("Slices"), menuBox);
    cropControl = new CropBoxControl(menuBox);
    slicesBox->setCheckable(true);
    slicesBox->setChecked(false);
    connect(slicesBox, &QGroupBox::toggled, glWidget, &GLWidget::setRenderMode);

    QSlider *lengthSlider = makeSlider(slicesBox);
    QSlider *widthSlider = makeSlider(slicesBox);
    QSlider *depthSlider = makeSlider(slicesBox);
    connect(lengthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setLength);
    connect(glWidget, &GLWidget::xRotationChanged, lengthSlider, &QSlider::setValue);
    connect(widthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setWidth);
    connect(glWidget, &GLWidget::yRotationChanged, widthSlider, &QSlider::setValue);
    connect(depthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setDepth);
    connect(glWidget, &GLWidget::zRotationChanged, depthSlider, &QSlider::setValue);

    auto *renderLayout = new QHBoxLayout(renderBox);
    // The reading controls above the views, where they take no height from the menu.
    auto *viewColumn = new QVBoxLayout;
    auto *readingControls = new ReadingControls(readingLayout, renderBox);
    connect(readingControls, &ReadingControls::measurementListRequested, this, &Window::showMeasurementList);
    connect(readingLayout, &ReadingLayout::measurementListRequested, this, &Window::showMeasurementList);
    viewColumn->addWidget(readingControls, 0);
    viewColumn->addLayout(makeSlabRow(renderBox), 0);
    viewColumn->addWidget(readingLayout, 1);
    renderLayout->addLayout(viewColumn, 1);
    renderLayout->addSpacing(16);
    renderLayout->addWidget(menuBox, 0);

    auto *menuLayout = new QVBoxLayout(menuBox);
    menuLayout->addWidget(loadButton, 0);
    menuLayout->addWidget(folderButton, 0);
    menuLayout->addWidget(recentButton, 0);
    menuLayout->addWidget(pictureButton, 0);
    menuLayout->addSpacing(8);
    menuLayout->addWidget(slicesBox, 1);
    menuLayout->addWidget(cropControl, 0);
    menuLayout->addWidget(new ProjectionControl(glWidget, readingLayout->state(), menuBox), 0);

    auto *slicesLayout = new QHBoxLayout(slicesBox);
    slicesLayout->addLayout(sliderColumn(tr("x"), lengthSlider, slicesBox));
    slicesLayout->addLayout(sliderColumn(tr("y"), widthSlider, slicesBox));
    slicesLayout->addLayout(sliderColumn(tr("z"), depthSlider, slicesBox));
    for (QSlider *slider : {lengthSlider, widthSlider, depthSlider})
        slider->setValue(0);
    return renderBox;
}

// The "Color Editor" box: the coupling switch, the presets and the undo buttons above the
// editor, whose table the view reads in place (the editor owns it and rewrites it).
// The thick slab and the cine of the current 2-D view, under the reading controls.
QBoxLayout *Window::makeSlabRow(QWidget *renderBox)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new SlabControls(readingLayout, renderBox), 0);
    row->addSpacing(12);
    row->addWidget(new CinePlayer(readingLayout, renderBox), 0);
    row->addStretch(1);
    return row;
}

QWidget *Window::makeColorBox()
{
    auto *colorBox = new QGroupBox(tr("Color Editor"));
    fixateColorBox = new QCheckBox(tr("fixate color to alpha"), colorBox);
    gradientEditor = new GradientEditor(colorBox);
    glWidget->setTransferTable(gradientEditor->transferTable());

    auto *colorLayout = new QVBoxLayout(colorBox);
    colorLayout->addLayout(editorTools(colorBox), 0);
    colorLayout->addWidget(gradientEditor, 0);
    return colorBox;
}

QLayout *Window::makeStatusLine()
{
    statusLine = new ElidedLabel;
    statusLine->setObjectName("statusLine");
    // A long path must not widen the window: its middle is left out instead.
    statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // The line keeps its height with or without a read in progress, so the view does not jump.
    statusLine->setMinimumHeight(opener->cancelButton()->sizeHint().height());

    auto *statusLayout = new QHBoxLayout;
    statusLayout->addWidget(statusLine, 1);
    statusLayout->addWidget(opener->progressBar(), 0);
    statusLayout->addWidget(opener->cancelButton(), 0);
    return statusLayout;
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

QLayout *Window::sliderColumn(const QString &axis, QSlider *slider, QGroupBox *slicesBox)
{
    auto *name = new QLabel(axis, slicesBox);
    auto *position = new QLabel(slicesBox);
    // Wide enough for "100%", so the column does not shift while the slider moves.
    position->setMinimumWidth(position->fontMetrics().horizontalAdvance(QStringLiteral("100%")));
    const auto showPosition = [position](int value) {
        position->setText(QString::number(qRound(value * 100.0 / 5760)) + "%");
    };
    showPosition(slider->value());
    connect(slider, &QSlider::valueChanged, position, showPosition);

    auto *column = new QVBoxLayout;
    column->addWidget(name, 0, Qt::AlignHCenter);
    column->addWidget(slider, 1, Qt::AlignHCenter);
    column->addWidget(position, 0, Qt::AlignHCenter);
    position->setAlignment(Qt::AlignCenter);
    return column;
}

QLayout *Window::editorTools(QWidget *colorBox)
{
    auto *presets = new PresetChooser(colorBox);
    connect(presets, &PresetChooser::presetChosen, this, &Window::applyPreset);

    undoButton = new QToolButton(colorBox);
    undoButton->setText(tr("Undo"));
    undoButton->setToolTip(tr("Undo the last change of the transfer function or the measurements (Ctrl+Z)"));
    connect(undoButton, &QToolButton::clicked, history, &StopsHistory::undo);
    redoButton = new QToolButton(colorBox);
    redoButton->setText(tr("Redo"));
    redoButton->setToolTip(tr("Redo the change undone last (Ctrl+Shift+Z)"));
    connect(redoButton, &QToolButton::clicked, history, &StopsHistory::redo);
    updateHistoryButtons();

    auto *row = new QHBoxLayout;
    row->addWidget(fixateColorBox, 0);
    row->addStretch(1);
    row->addWidget(presets, 0);
    row->addWidget(undoButton, 0);
    row->addWidget(redoButton, 0);
    return row;
}

// Every announcement of the editor rebuilds the table; its edits also go to the stops file
// and the history, and so does a click that switches the coupling on and so realigns the
// colours.
void Window::connectStops()
{
    connect(fixateColorBox, &QCheckBox::toggled, gradientEditor, &GradientEditor::moveColorsToAlpha);
    connect(fixateColorBox, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked)
            saveGradientStops(gradientEditor->gradientStops());
    });
    connect(gradientEditor, &GradientEditor::gradientStopsChanged, this, &Window::rebuildTransferTable);
    connect(gradientEditor, &GradientEditor::gradientStopsEdited, this, &Window::saveGradientStops);
    connect(this, &Window::colorTextureChanged, glWidget, &GLWidget::setColors);

    connect(gradientEditor, &GradientEditor::gestureStarted, history, &StopsHistory::beginGesture);
    connect(gradientEditor, &GradientEditor::gestureFinished, history, &StopsHistory::endGesture);
    connect(history, &StopsHistory::stopsRestored, this, &Window::restoreStep);
    connect(&history->stack(), &QUndoStack::canUndoChanged, this, &Window::updateHistoryButtons);
    connect(&history->stack(), &QUndoStack::canRedoChanged, this, &Window::updateHistoryButtons);
    connect(keeper, &StopsKeeper::saveFailed, this, &Window::showStatus);
}

// Window-wide, so they work wherever the focus is; the tooltips of the controls name them.
void Window::addShortcuts()
{
    const auto add = [this](const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    add({QKeySequence(Qt::CTRL | Qt::Key_O)}, &Window::setOpenFileName);
    add({QKeySequence(Qt::CTRL | Qt::Key_S)},
        [this] { pictureSaver->save(keeper->volumeName(), recentVolumes->lastFolder()); });
    add({QKeySequence(Qt::CTRL | Qt::Key_Q)}, &Window::close);
    add({QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { history->undo(); });
    add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        [this] { history->redo(); });
    add({QKeySequence(Qt::Key_Home)}, [this] { glWidget->resetView(); });
    add({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}, [this] { glWidget->zoomIn(); });
    add({QKeySequence(Qt::Key_Minus)}, [this] { glWidget->zoomOut(); });
}

QString Window::stopsFileName() const
{
    return keeper->stopsFileName();
}

// Until a file has been opened the table spans the whole 12-bit range; afterwards the
// narrowed range of the opened volume.
void Window::tableRange(int &lo, int &hi) const
{
    const Volume *volume = keeper->volumeName().isEmpty() ? nullptr : glWidget->volume();
    lo = volume ? volume->densityMin : 0;
    hi = volume ? volume->densityMax : maxSample;
}

void Window::rebuildTransferTable()
{
    int lo, hi;
    tableRange(lo, hi);
    gradientEditor->buildTransferTable(lo, hi);
    emit colorTextureChanged();
}

// An edit is saved, and becomes a step of the history where it changed the stops.
void Window::saveGradientStops(const QGradientStops &stops)
{
    history->record(stops);
    keeper->save(stops);
}

// An undone or redone step goes back into the editor and is saved as the current stops.
void Window::restoreStep(const QGradientStops &stops)
{
    gradientEditor->setGradientStops(stops);
    keeper->save(stops);
}

void Window::applyPreset(const TransferPresets::Preset &preset)
{
    int lo, hi;
    tableRange(lo, hi);
    history->endGesture();
    gradientEditor->setGradientStops(TransferPresets::placed(preset.stops, lo, hi));
    saveGradientStops(gradientEditor->gradientStops());
}

// The stops of the volume on screen (stored, or the defaults) go into the editor as the start
// of a new history; no file is written. An empty stops file leaves the editor's curves as
// they are and announces nothing, yet a newly opened volume still needs the table over its
// own range.
void Window::setDefaultGradientStops()
{
    const QGradientStops stops = keeper->storedStops();
    if (stops.isEmpty())
        rebuildTransferTable();
    else
        gradientEditor->setGradientStops(stops);
    fixateColorBox->setChecked(true);
    history->reset(gradientEditor->gradientStops());
}

void Window::setOpenFileName()
{
    const QString path = VolumeFileDialog(this, recentVolumes->lastFolder()).askForVolume();
    if (path.isEmpty())
        return;
    opener->openRemembered(path);
}

void Window::setOpenFolderName()
{
    const QString path = QFileDialog::getExistingDirectory(this, tr("Load DICOM Folder"), recentVolumes->lastFolder());
    if (path.isEmpty())
        return;
    opener->openRemembered(path);
}

void Window::openAfterStart(const QString &path)
{
    opener->openAfterStart(path);
}

void Window::startWith(const ProgramRequest &request)
{
    if (request.volumes.size() > 1)
        printConsole("Usage: dichtenschau [VOLUME-FILE-OR-FOLDER]; opening only the first\n");
    if (!request.volumes.isEmpty())
        opener->openAfterStart(request.volumes.first(), request.series.value_or(0));
}

void Window::openPath(const QString &path)
{
    opener->openPath(path);
}

void Window::openSeries(const QString &path, int series)
{
    opener->openSeries(path, series, false);
}

// Of an exam of several series the user opens one, or none: then the volume shown stays.
void Window::chooseSeries(const QString &path, const std::vector<ExamSeries> &exam, bool remember)
{
    SeriesChooser chooser(path, exam, this);
    if (chooser.exec() == QDialog::Accepted && chooser.chosenSeries() > 0)
        opener->openSeries(path, chooser.chosenSeries(), remember);
    else
        showStatus(tr("Opening %1 cancelled: no series chosen").arg(VolumeOpener::baseNameOf(path)));
}

// The view shows a volume just opened: the title, the histogram and the stops follow it.
void Window::takeShownVolume(const QString &name)
{
    setWindowTitle(tr("Dichtenschau [") + name + tr("]"));
    keeper->setVolumeName(name);
    gradientEditor->setHistogram(new QPixmap(*glWidget->volume()->histogram));
    setDefaultGradientStops();
    measurementKeeper->openVolume(name, readingLayout->state()->source());
}

// What the console said about the last open or save, and the open flow's progress messages.
void Window::showStatus(const QString &text)
{
    statusText = text;
    statusLine->setText(text);
    statusLine->setToolTip(text);
}

// The 2-D views read the samples of the volume the view owns, so they must follow it at once,
// before the volume they read is gone. A new volume is shown whole.
void Window::connectReadingViews()
{
    connect(readingLayout, &ReadingLayout::readoutChanged, this, &Window::showReadout);
    connect(glWidget, &GLWidget::volumeChanged, this, [this] {
        readingLayout->state()->setSource(readingSourceOf(glWidget->volume()));
        cropControl->setPatientAxes(readingLayout->state()->source().frame.known);
        cropControl->reset();
    });
    connect(cropControl, &CropBoxControl::cropBoxChanged, this, &Window::cropView);
}

// The control's bounds run along the patient's axes; the view's along the voxel axes.
void Window::cropView(const std::array<double, 6> &patientBounds)
{
    const std::array<double, 6> bounds = voxelCropBox(patientBounds, readingLayout->state()->axisOrder());
    glWidget->setCropBox({float(bounds[0]), float(bounds[1]), float(bounds[2]), float(bounds[3]), float(bounds[4]),
                          float(bounds[5])});
}

void Window::showReadout(const QString &text)
{
    statusLine->setText(text.isEmpty() ? statusText : text);
}

void Window::showMeasurementList()
{
    if (!measurementList) {
        measurementList = new MeasurementListDialog(readingLayout->state(), this);
        connect(measurementList, &MeasurementListDialog::statusChanged, this, &Window::showStatus);
    }
    measurementList->show();
    measurementList->raise();
    measurementList->activateWindow();
}

void Window::updateHistoryButtons()
{
    undoButton->setEnabled(history->stack().canUndo());
    redoButton->setEnabled(history->stack().canRedo());
}

void Window::restoreWindowSize()
{
    const QSize size = QSettings().value(sizeKey).toSize();
    if (size.isValid())
        resize(size.expandedTo(minimumSize()));
}

void Window::closeEvent(QCloseEvent *event)
{
    QSettings().setValue(sizeKey, size());
    event->accept();
}
