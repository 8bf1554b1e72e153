#include "Window.h"

#include "ConsoleLine.h"
#include "CropBoxControl.h"
#include "GLWidget.h"
#include "GradientEditor.h"
#include "OffscreenTarget.h"
#include "ReadingControls.h"
#include "ReadingLayout.h"
#include "ReadingSource.h"
#include "ReadingState.h"
#include "SampleLimits.h"
#include "SavePictureDialog.h"
#include "ShadeWidget.h"
#include "StopsFile.h"
#include "TransferPresets.h"
#include "Volume.h"
#include "VolumeOpener.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int recentCount = 8;
const char *const sizeKey = "window/size";
const char *const folderKey = "open/lastFolder";
const char *const recentKey = "open/recent";

} // namespace

Window::Window(VolumeReader reader)
    : QWidget(nullptr)
{
    auto *renderBox = new QGroupBox;
    renderBox->setFlat(true);
    glWidget = new GLWidget(renderBox);
    readingLayout = new ReadingLayout(glWidget, renderBox);
    auto *menuBox = new QGroupBox(tr("Menu"), renderBox);

    loadButton = new QPushButton(tr("load Volume"), menuBox);
    connect(loadButton, &QPushButton::clicked, this, &Window::setOpenFileName);
    loadButton->setToolTip(tr("Open a volume file (Ctrl+O)"));
    folderButton = new QPushButton(tr("load DICOM Folder"), menuBox);
    connect(folderButton, &QPushButton::clicked, this, &Window::setOpenFolderName);
    folderButton->setToolTip(tr("Open the DICOM series in a folder"));
    auto *recentButton = new QToolButton(menuBox);
    recentButton->setText(tr("recent Volumes"));
    recentButton->setToolTip(tr("Open one of the volumes opened lately"));
    recentButton->setPopupMode(QToolButton::InstantPopup);
    recentButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    recentMenu = new QMenu(recentButton);
    recentButton->setMenu(recentMenu);
    connect(recentMenu, &QMenu::aboutToShow, this, &Window::fillRecentMenu);
    auto *pictureButton = new QPushButton(tr("save Picture"), menuBox);
    pictureButton->setToolTip(tr("Save the view as a PNG picture (Ctrl+S)"));
    connect(pictureButton, &QPushButton::clicked, this, &Window::savePicture);
    menuBox->setToolTip(tr("Ctrl+Q quits"));
    glWidget->setToolTip(tr("Drag to turn, drag with the middle button to move; + and - zoom, "
                            "Home returns to the start view, Ctrl+S saves a picture"));

    auto *colorBox = new QGroupBox(tr("Color Editor"));
    fixateColorBox = new QCheckBox(tr("fixate color to alpha"), colorBox);
    gradientEditor = new GradientEditor(colorBox);
    // The view reads the editor's table in place; the editor owns it and rewrites it.
    glWidget->setTransferTable(gradientEditor->transferTable());
    connect(fixateColorBox, &QCheckBox::toggled, gradientEditor, &GradientEditor::moveColorsToAlpha);
    connect(gradientEditor, &GradientEditor::gradientStopsChanged, this, &Window::saveGradientStops);
    connect(this, &Window::colorTextureChanged, glWidget, &GLWidget::setColors);

    // Unchecked before the connection: the view starts in ray casting and need not be told.
    auto *slicesBox = new QGroupBox(tr("Slices"), menuBox);
    cropControl = new CropBoxControl(menuBox);
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

    statusLine = new QLabel;
    statusLine->setObjectName("statusLine");
    // A long path must not widen the window: the line is cut instead.
    statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    opener = new VolumeOpener(glWidget, std::move(reader), this);
    connect(opener, &VolumeOpener::statusChanged, this, &Window::showStatus);
    connect(readingLayout, &ReadingLayout::readoutChanged, this, &Window::showReadout);
    // The 2-D views read the samples of the volume the view owns, so they must follow it at
    // once, before the volume they read is gone. A new volume is shown whole.
    connect(glWidget, &GLWidget::volumeChanged, this, [this] {
        readingLayout->state()->setSource(readingSourceOf(glWidget->volume()));
        cropControl->setPatientAxes(readingLayout->state()->source().frame.known);
        cropControl->reset();
    });
    connect(cropControl, &CropBoxControl::cropBoxChanged, this, &Window::cropView);
    connect(opener, &VolumeOpener::volumeShown, this, &Window::takeShownVolume);
    connect(opener, &VolumeOpener::rememberedOpenSucceeded, this, &Window::rememberOpened);
    connect(opener, &VolumeOpener::openFinished, this, &Window::openFinished);
    // The line keeps its height with or without a read in progress, so the view does not jump.
    statusLine->setMinimumHeight(opener->cancelButton()->sizeHint().height());
    setAcceptDrops(true);

    auto *mainLayout = new QVBoxLayout;
    mainLayout->addWidget(renderBox, 1);
    mainLayout->addWidget(colorBox, 0);
    auto *statusLayout = new QHBoxLayout;
    statusLayout->addWidget(statusLine, 1);
    statusLayout->addWidget(opener->progressBar(), 0);
    statusLayout->addWidget(opener->cancelButton(), 0);
    mainLayout->addLayout(statusLayout, 0);
    setLayout(mainLayout);

    auto *renderLayout = new QHBoxLayout(renderBox);
    // The reading controls above the views, where they take no height from the menu.
    auto *viewColumn = new QVBoxLayout;
    viewColumn->addWidget(new ReadingControls(readingLayout, renderBox), 0);
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

    auto *colorLayout = new QVBoxLayout(colorBox);
    colorLayout->addLayout(editorTools(colorBox), 0);
    colorLayout->addWidget(gradientEditor, 0);

    auto *slicesLayout = new QHBoxLayout(slicesBox);
    slicesLayout->addLayout(sliderColumn(tr("x"), lengthSlider, slicesBox));
    slicesLayout->addLayout(sliderColumn(tr("y"), widthSlider, slicesBox));
    slicesLayout->addLayout(sliderColumn(tr("z"), depthSlider, slicesBox));

    lengthSlider->setValue(0);
    widthSlider->setValue(0);
    depthSlider->setValue(0);

    setWindowTitle(tr("Dichtenschau"));
    addShortcuts();
    // Each mouse gesture in the editor is one step of the undo history.
    for (ShadeWidget *shade : gradientEditor->findChildren<ShadeWidget *>())
        shade->installEventFilter(this);
    gradientEditor->installEventFilter(this);
    // Never smaller than the layout needs, so every slider and curve keeps room to be used.
    setMinimumSize(minimumSizeHint());

    // From the running event loop, once the window and its editor have their sizes.
    QTimer::singleShot(50, this, &Window::setDefaultGradientStops);
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

QString Window::stopsFileName() const
{
    return fileName.isEmpty() ? QString() : fileName + ".stops";
}

// Until a file has been opened the table spans the whole 12-bit range; afterwards the
// narrowed range of the opened volume.
void Window::tableRange(int &lo, int &hi) const
{
    const Volume *volume = fileName.isEmpty() ? nullptr : glWidget->volume();
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

void Window::saveGradientStops(const QGradientStops &stops)
{
    if (!fileName.isEmpty() && !installingStops && !rescalingEditor) {
        const QString failure = StopsFile::write(stopsFileName(), stops);
        if (!failure.isEmpty() && !saveFailing) {
            const QString line = QString("Can't save the transfer function to %1: %2").arg(stopsFileName(), failure);
            printConsole(line.toLocal8Bit().toStdString() + "\n");
            showStatus(line);
        }
        saveFailing = !failure.isEmpty();
    }
    recordStops(stops);
    rebuildTransferTable();
}

void Window::setDefaultGradientStops()
{
    const QScopedValueRollback<bool> installing(installingStops, true);
    QGradientStops stops;
    if (fileName.isEmpty() || StopsFile::read(stopsFileName(), stops) == StopsFile::ReadResult::Missing) {
        stops << QGradientStop(0.0, QColor::fromRgba(0x00000000u)) << QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFFu))
              << QGradientStop(1.0, QColor::fromRgba(0x00000000u));
    }
    // An empty stops file leaves the editor's curves as they are and announces nothing, yet
    // a newly opened volume still needs the table over its own range.
    replacingStep = true;
    history = StopsHistory();
    if (stops.isEmpty())
        rebuildTransferTable();
    else
        gradientEditor->setGradientStops(stops);
    fixateColorBox->setChecked(true);
    replacingStep = false;
    updateHistoryButtons();
}

void Window::setOpenFileName()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Load Volume"), QSettings().value(folderKey).toString(),
        tr("Volumes (*.dat *.dcm *.ima *.nii *.nii.gz *.hdr *.img *.nrrd *.nhdr *.mha *.mhd *.inv3);;"
           "Data Files (*.dat);;"
           "DICOM, also files without extension (*.dcm *.ima *);;"
           "NIfTI (*.nii *.nii.gz *.hdr *.img);;"
           "NRRD (*.nrrd *.nhdr);;"
           "MetaImage (*.mha *.mhd);;"
           "InVesalius (*.inv3);;"
           "All Files (*)"));
    if (path.isEmpty())
        return;
    opener->openRemembered(path);
}

void Window::setOpenFolderName()
{
    const QString path = QFileDialog::getExistingDirectory(this, tr("Load DICOM Folder"), QSettings().value(folderKey).toString());
    if (path.isEmpty())
        return;
    opener->openRemembered(path);
}

void Window::openAfterStart(const QString &path)
{
    opener->openAfterStart(path);
}

void Window::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

// Of several files dropped together the first is opened: any one file of a DICOM series
// opens its whole series.
void Window::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    opener->openRemembered(urls.first().toLocalFile());
}

void Window::openPath(const QString &path)
{
    opener->openPath(path);
}

// The view shows a volume just opened: the title, the histogram and the stops follow it.
void Window::takeShownVolume(const QString &name)
{
    setWindowTitle(tr("Dichtenschau [") + name + tr("]"));
    fileName = name;
    gradientEditor->setHistogram(new QPixmap(*glWidget->volume()->histogram));
    setDefaultGradientStops();
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
    presetBox = new QComboBox(colorBox);
    presetBox->setObjectName("presets");
    presetBox->addItem(tr("Presets"));
    for (const TransferPresets::Preset &preset : TransferPresets::all())
        presetBox->addItem(QCoreApplication::translate("TransferPresets", preset.name));
    presetBox->setToolTip(tr("Start the transfer function from a preset, placed over the volume's values "
                             "(Ctrl+Z returns to the previous one)"));
    connect(presetBox, qOverload<int>(&QComboBox::activated), this, &Window::applyPreset);

    undoButton = new QToolButton(colorBox);
    undoButton->setText(tr("Undo"));
    undoButton->setToolTip(tr("Undo the last change of the transfer function (Ctrl+Z)"));
    connect(undoButton, &QToolButton::clicked, this, &Window::undoStops);
    redoButton = new QToolButton(colorBox);
    redoButton->setText(tr("Redo"));
    redoButton->setToolTip(tr("Redo the change undone last (Ctrl+Shift+Z)"));
    connect(redoButton, &QToolButton::clicked, this, &Window::redoStops);
    updateHistoryButtons();

    auto *row = new QHBoxLayout;
    row->addWidget(fixateColorBox, 0);
    row->addStretch(1);
    row->addWidget(presetBox, 0);
    row->addWidget(undoButton, 0);
    row->addWidget(redoButton, 0);
    return row;
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
    add({QKeySequence(Qt::CTRL | Qt::Key_S)}, &Window::savePicture);
    add({QKeySequence(Qt::CTRL | Qt::Key_Q)}, &Window::close);
    add({QKeySequence(Qt::CTRL | Qt::Key_Z)}, &Window::undoStops);
    add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}, &Window::redoStops);
    add({QKeySequence(Qt::Key_Home)}, [this] { glWidget->resetView(); });
    add({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}, [this] { glWidget->zoomIn(); });
    add({QKeySequence(Qt::Key_Minus)}, [this] { glWidget->zoomOut(); });
}

// What the console said about the last open or save, and the open flow's progress messages.
void Window::showStatus(const QString &text)
{
    statusText = text;
    statusLine->setText(text);
    statusLine->setToolTip(text);
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

void Window::recordStops(const QGradientStops &stops)
{
    if (replacingStep || gradientEditor->size() != recordedEditorSize)
        history.replaceCurrent(stops);
    else
        history.record(stops);
    recordedEditorSize = gradientEditor->size();
    updateHistoryButtons();
}

// A step goes back into the editor like any stops, so it is saved to the stops file and
// reaches the view; it is no new edit.
void Window::applyHistoryStep(const std::optional<QGradientStops> &stops)
{
    if (!stops)
        return;
    history.endGesture();
    replacingStep = true;
    gradientEditor->setGradientStops(*stops);
    replacingStep = false;
    updateHistoryButtons();
}

void Window::undoStops()
{
    applyHistoryStep(history.undo());
}

void Window::redoStops()
{
    applyHistoryStep(history.redo());
}

void Window::updateHistoryButtons()
{
    undoButton->setEnabled(history.canUndo());
    redoButton->setEnabled(history.canRedo());
}

// Index 0 is the list's title; the list shows it again once a preset is applied.
void Window::applyPreset(int index)
{
    presetBox->setCurrentIndex(0);
    const std::vector<TransferPresets::Preset> &presets = TransferPresets::all();
    if (index < 1 || index > int(presets.size()))
        return;
    int lo, hi;
    tableRange(lo, hi);
    history.endGesture();
    gradientEditor->setGradientStops(TransferPresets::placed(presets[size_t(index - 1)].stops, lo, hi));
}

void Window::savePicture()
{
    const QString volumeName = fileName.isEmpty() ? QStringLiteral("lobster.dat") : fileName;
    const QString proposed = QDir(QSettings().value(folderKey, QDir::currentPath()).toString())
                                 .filePath(QFileInfo(volumeName).completeBaseName() + ".png");
    glWidget->makeCurrent();
    const int maximumSide = glWidget->canRender() ? OffscreenTarget::maximumSide() : 0;
    glWidget->doneCurrent();
    SavePictureDialog dialog(this, proposed, glWidget->deviceSize(), maximumSide);
    if (dialog.exec() != QDialog::Accepted || dialog.path().isEmpty())
        return;

    const QString path = dialog.path();
    const QImage picture = glWidget->renderPicture(dialog.pictureSize());
    QSaveFile file(path);
    QString failure;
    if (picture.isNull())
        failure = tr("the view cannot be drawn at that size");
    else if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        failure = file.errorString();
    if (failure.isEmpty()) {
        showStatus(tr("Saved %1 (%2 x %3)").arg(path).arg(picture.width()).arg(picture.height()));
        return;
    }
    const QString line = QString("Can't save the picture %1: %2").arg(path, failure);
    printConsole(line.toStdString() + "\n");
    showStatus(line);
}

void Window::rememberOpened(const QString &path)
{
    QSettings settings;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    settings.setValue(folderKey, QFileInfo(absolute).absolutePath());
    QStringList recent = settings.value(recentKey).toStringList();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    settings.setValue(recentKey, QStringList(recent.mid(0, recentCount)));
}

void Window::fillRecentMenu()
{
    recentMenu->clear();
    const QStringList recent = QSettings().value(recentKey).toStringList();
    for (const QString &path : recent)
        recentMenu->addAction(path, this, [this, path] { opener->openRemembered(path); });
    if (recent.isEmpty())
        recentMenu->addAction(tr("(none yet)"))->setEnabled(false);
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

bool Window::eventFilter(QObject *watched, QEvent *event)
{
    // The editor's layout resizes the curves within this resize, and each curve then
    // announces its stops again in its new width; the queued reset comes before any later
    // input reaches the editor.
    if (watched == gradientEditor && event->type() == QEvent::Resize) {
        rescalingEditor = true;
        QMetaObject::invokeMethod(this, [this] { rescalingEditor = false; }, Qt::QueuedConnection);
    }
    if (event->type() == QEvent::MouseButtonPress)
        history.beginGesture();
    else if (event->type() == QEvent::MouseButtonRelease)
        history.endGesture();
    return QWidget::eventFilter(watched, event);
}
