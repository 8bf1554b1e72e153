#include "Window.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "GradientEditor.h"
#include "StopsFile.h"
#include "Volume.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>

struct Window::Reading
{
    QString path;
    std::atomic<bool> cancel{false};
    std::atomic<double> progress{0.0};
};

namespace {

constexpr int progressSteps = 1000;

// The name the title and the stops file go by: the last part of the path, also of a folder
// named with a trailing separator.
QString baseNameOf(QString path)
{
    path.replace(QChar('\\'), QChar('/'));
    while (path.size() > 1 && path.endsWith(QChar('/')))
        path.chop(1);
    path.remove(0, path.lastIndexOf(QChar('/')) + 1);
    return path;
}

bool isDatFile(const QString &path)
{
    return path.endsWith(".dat", Qt::CaseInsensitive) && !QFileInfo(path).isDir();
}

std::string spacingText(const ReadVolume &read)
{
    if (!read.spacingKnown)
        return "no spacing given";
    const auto mm = [](double d) { return QString::number(d).toStdString(); };
    return "spacing " + mm(read.spacingX) + " x " + mm(read.spacingY) + " x " + mm(read.spacingZ) + " mm";
}

// A reader's fault must not take the window down with it: it becomes a refusal.
ReadVolume readGuarded(const VolumeReader &reader, const QString &path, const ReadProgress &progress,
                       const std::atomic<bool> &cancel)
{
    ReadVolume read;
    try {
        read = reader(path, progress, cancel);
    } catch (const std::bad_alloc &) {
        read = ReadVolume();
        read.refusal = "not enough memory";
    } catch (const std::exception &e) {
        read = ReadVolume();
        read.refusal = e.what();
    } catch (...) {
        read = ReadVolume();
        read.refusal = "the reader failed";
    }
    const int64_t voxels = int64_t(read.sizeX) * read.sizeY * read.sizeZ;
    const bool wellFormed = read.sizeX > 0 && read.sizeY > 0 && read.sizeZ > 0 && int64_t(read.samples.size()) == voxels;
    if (read.refusal.empty() && !wellFormed)
        read.refusal = "the reader gave " + std::to_string(read.samples.size()) + " samples for a grid of "
                       + std::to_string(read.sizeX) + " x " + std::to_string(read.sizeY) + " x " + std::to_string(read.sizeZ);
    return read;
}

} // namespace

Window::Window(VolumeReader reader)
    : QWidget(nullptr), reader(std::move(reader))
{
    auto *renderBox = new QGroupBox;
    renderBox->setFlat(true);
    glWidget = new GLWidget(renderBox);
    auto *menuBox = new QGroupBox(tr("Menu"), renderBox);

    loadButton = new QPushButton(tr("load Volume"), menuBox);
    connect(loadButton, &QPushButton::clicked, this, &Window::setOpenFileName);
    folderButton = new QPushButton(tr("load DICOM Folder"), menuBox);
    connect(folderButton, &QPushButton::clicked, this, &Window::setOpenFolderName);

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

    // A long path in a message must not widen the window.
    statusLabel = new QLabel;
    statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progressBar = new QProgressBar;
    progressBar->setRange(0, progressSteps);
    cancelButton = new QPushButton(tr("Cancel"));
    // The line keeps its height with or without a message, so the view does not jump.
    statusLabel->setMinimumHeight(cancelButton->sizeHint().height());
    connect(cancelButton, &QPushButton::clicked, this, &Window::cancelReading);
    progressTimer = new QTimer(this);
    progressTimer->setInterval(100);
    connect(progressTimer, &QTimer::timeout, this, &Window::showReadProgress);
    connect(&readWatcher, &QFutureWatcher<ReadVolume>::finished, this, &Window::finishReading);
    setAcceptDrops(true);

    auto *mainLayout = new QVBoxLayout;
    mainLayout->addWidget(renderBox, 1);
    mainLayout->addWidget(colorBox, 0);
    auto *openLayout = new QHBoxLayout;
    openLayout->addWidget(statusLabel, 1);
    openLayout->addWidget(progressBar, 0);
    openLayout->addWidget(cancelButton, 0);
    mainLayout->addLayout(openLayout, 0);
    setLayout(mainLayout);
    showReading(false);

    auto *renderLayout = new QHBoxLayout(renderBox);
    renderLayout->addWidget(glWidget, 1);
    renderLayout->addSpacing(16);
    renderLayout->addWidget(menuBox, 0);

    auto *menuLayout = new QVBoxLayout(menuBox);
    menuLayout->addWidget(loadButton, 0);
    menuLayout->addWidget(folderButton, 0);
    menuLayout->addSpacing(8);
    menuLayout->addWidget(slicesBox, 1);

    auto *colorLayout = new QVBoxLayout(colorBox);
    colorLayout->addWidget(fixateColorBox, 0);
    colorLayout->addWidget(gradientEditor, 0);

    auto *slicesLayout = new QHBoxLayout(slicesBox);
    slicesLayout->addWidget(lengthSlider);
    slicesLayout->addWidget(widthSlider);
    slicesLayout->addWidget(depthSlider);

    lengthSlider->setValue(0);
    widthSlider->setValue(0);
    depthSlider->setValue(0);

    setWindowTitle(tr("Dichtenschau"));

    // From the running event loop, once the window and its editor have their sizes.
    QTimer::singleShot(50, this, &Window::setDefaultGradientStops);
}

// The worker reads into memory that this window owns; it must be done before the window goes.
Window::~Window()
{
    if (!reading)
        return;
    reading->cancel = true;
    readWatcher.disconnect(this);
    readWatcher.waitForFinished();
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
    return fileName + ".stops";
}

// Until a file has been opened the table spans the whole 12-bit range; afterwards the
// narrowed range of the opened volume.
void Window::rebuildTransferTable()
{
    if (volume)
        gradientEditor->buildTransferTable(volume->densityMin, volume->densityMax);
    else
        gradientEditor->buildTransferTable(0, 4095);
    emit colorTextureChanged();
}

void Window::saveGradientStops(const QGradientStops &stops)
{
    if (!fileName.isEmpty()) {
        const QString failure = StopsFile::write(stopsFileName(), stops);
        if (!failure.isEmpty() && !saveFailing)
            std::printf("Can't save the transfer function to %s: %s\n", qPrintable(stopsFileName()),
                        qPrintable(failure));
        std::fflush(stdout);
        saveFailing = !failure.isEmpty();
    }
    rebuildTransferTable();
}

void Window::setDefaultGradientStops()
{
    QGradientStops stops;
    if (fileName.isEmpty() || StopsFile::read(stopsFileName(), stops) == StopsFile::ReadResult::Missing) {
        stops << QGradientStop(0.0, QColor::fromRgba(0x00000000u)) << QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFFu))
              << QGradientStop(1.0, QColor::fromRgba(0x00000000u));
    }
    // An empty stops file leaves the editor's curves as they are and announces nothing, yet
    // a newly opened volume still needs the table over its own range.
    if (stops.isEmpty())
        rebuildTransferTable();
    else
        gradientEditor->setGradientStops(stops);
    fixateColorBox->setChecked(true);
}

void Window::setOpenFileName()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Load Volume"), QString(),
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
    openPath(path);
}

void Window::setOpenFolderName()
{
    const QString path = QFileDialog::getExistingDirectory(this, tr("Load DICOM Folder"));
    if (path.isEmpty())
        return;
    openPath(path);
}

void Window::openAfterStart(const QString &path)
{
    // The view loads its start-up volume when it makes its GL context; an open before that
    // would be replaced by it at once.
    QTimer::singleShot(50, this, [this, path] {
        if (glWidget->isValid())
            openPath(path);
        else
            openAfterStart(path);
    });
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
    openPath(urls.first().toLocalFile());
}

// The one road of every open, whether chosen, dropped or named on the command line.
void Window::openPath(const QString &path)
{
    if (reading) {
        showStatus(tr("Still opening %1: cancel it first").arg(baseNameOf(reading->path)));
        return;
    }
    if (isDatFile(path))
        openVolume(path);
    else
        startReading(path);
}

// A file the loader refuses changes nothing: the previous volume stays on screen with its
// title, histogram and stops, and the loader's line on the console says why.
void Window::openVolume(const QString &path)
{
    // The new texture must be made, and the replaced one deleted, in the view's context:
    // without it current the deletion does nothing and every open would leave a texture.
    glWidget->makeCurrent();
    showVolume(new Volume(QFile::encodeName(path).constData()), path, {1.0, 1.0, 1.0});
}

void Window::startReading(const QString &path)
{
    reading = std::make_shared<Reading>();
    reading->path = path;
    showStatus(tr("Opening %1").arg(baseNameOf(path)));
    showReading(true);
    const std::shared_ptr<Reading> job = reading;
    const VolumeReader read = reader;
    readWatcher.setFuture(QtConcurrent::run([job, read] {
        return readGuarded(read, job->path, [job](double fraction) { job->progress = fraction; }, job->cancel);
    }));
}

void Window::showReadProgress()
{
    if (reading)
        progressBar->setValue(int(std::clamp(reading->progress.load(), 0.0, 1.0) * progressSteps));
}

void Window::cancelReading()
{
    if (!reading)
        return;
    reading->cancel = true;
    cancelButton->setEnabled(false);
    showStatus(tr("Cancelling %1").arg(baseNameOf(reading->path)));
}

void Window::finishReading()
{
    const std::shared_ptr<Reading> done = std::move(reading);
    showReading(false);
    ReadVolume read = readWatcher.future().takeResult();
    const QString path = done->path;
    if (done->cancel) {
        showStatus(tr("Opening %1 cancelled").arg(baseNameOf(path)));
        return;
    }
    if (!read.refusal.empty()) {
        refuse(path, QString::fromStdString(read.refusal));
        return;
    }

    printConsole("loading " + std::string(QFile::encodeName(path).constData()) + " (" + read.format + ", "
                 + std::to_string(read.sizeX) + " x " + std::to_string(read.sizeY) + " x " + std::to_string(read.sizeZ)
                 + ", " + spacingText(read) + ")\n");
    for (const std::string &note : read.notes)
        printConsole(note + "\n");
    const std::array<double, 3> spacing =
        read.spacingKnown ? std::array<double, 3>{read.spacingX, read.spacingY, read.spacingZ}
                          : std::array<double, 3>{1.0, 1.0, 1.0};
    glWidget->makeCurrent();
    Volume *opened = makeVolume(read);
    const std::vector<std::string> notes = std::move(read.notes);
    read = ReadVolume();
    // Such as the other series beside the one opened: worth seeing without the console.
    if (showVolume(opened, path, spacing) && !notes.empty())
        showStatus(QString::fromStdString(notes.front()));
}

// Takes over a freshly built volume (with the view's context current): the view shows it,
// the title and the stops follow its name. A refused one changes nothing; false then.
bool Window::showVolume(Volume *opened, const QString &path, const std::array<double, 3> &spacing)
{
    if (!opened || !opened->isValid()) {
        glWidget->doneCurrent();
        delete opened;
        showStatus(tr("Can't load %1: the console says why").arg(baseNameOf(path)));
        return false;
    }
    volume = opened;
    glWidget->setVolume(volume);
    glWidget->setVoxelSpacing(spacing);
    glWidget->doneCurrent();

    const QString baseName = baseNameOf(path);
    setWindowTitle(tr("Dichtenschau [") + baseName + tr("]"));
    fileName = baseName;
    showStatus(QString());

    gradientEditor->setHistogram(new QPixmap(*volume->histogram));
    setDefaultGradientStops();
    return true;
}

void Window::refuse(const QString &path, const QString &reason)
{
    printConsole("Can't load " + std::string(QFile::encodeName(path).constData()) + ": " + reason.toStdString() + "\n");
    showStatus(tr("Can't load %1: %2").arg(baseNameOf(path), reason));
}

// Messages of the open flow, in one line at the bottom of the window.
void Window::showStatus(const QString &text)
{
    statusLabel->setText(text);
    statusLabel->setToolTip(text);
}

void Window::showReading(bool on)
{
    progressBar->setValue(0);
    progressBar->setVisible(on);
    cancelButton->setVisible(on);
    cancelButton->setEnabled(on);
    if (on)
        progressTimer->start();
    else
        progressTimer->stop();
}
