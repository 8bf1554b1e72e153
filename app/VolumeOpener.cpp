#include "VolumeOpener.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "Volume.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>
#include <new>

#include <unistd.h>

struct VolumeOpener::Reading
{
    QString path;
    // Whether a successful open goes into the recent volumes.
    bool remember = false;
    ImportOptions options;
    std::atomic<bool> cancel{false};
    std::atomic<double> progress{0.0};
};

namespace {

constexpr int progressSteps = 1000;

bool isDatFile(const QString &path)
{
    return path.endsWith(".dat", Qt::CaseInsensitive) && !QFileInfo(path).isDir();
}

std::string spacingText(const VoxelSpacing &spacing)
{
    if (!spacing.known)
        return "no spacing given";
    const auto mm = [](double d) { return QString::number(d).toStdString(); };
    return "spacing " + mm(spacing.x) + " x " + mm(spacing.y) + " x " + mm(spacing.z) + " mm";
}

// A reader's fault must not take the window down with it: it becomes a refusal.
uint64_t physicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
}

// The range in the source's own units, as the readout gives its values.
QString valueRangeText(double lowest, double highest, const SampleUnits &units)
{
    const QString range = QString("%1 - %2").arg(lowest, 0, 'g', 6).arg(highest, 0, 'g', 6);
    return units.hounsfield ? range + " HU" : range;
}

ImportResult readGuarded(const VolumeReader &reader, const QString &path, const ImportOptions &options, const ReadProgress &progress,
                         const std::atomic<bool> &cancel)
{
    ImportResult read;
    try {
        read = reader(path, options, progress, cancel);
    } catch (const std::bad_alloc &) {
        read = ImportResult();
        read.refusal = "not enough memory";
    } catch (const std::exception &e) {
        read = ImportResult();
        read.refusal = e.what();
    } catch (...) {
        read = ImportResult();
        read.refusal = "the reader failed";
    }
    const int64_t voxels = int64_t(read.sizeX) * read.sizeY * read.sizeZ;
    const bool wellFormed = read.sizeX > 0 && read.sizeY > 0 && read.sizeZ > 0 && int64_t(read.samples.size()) == voxels;
    if (read.refusal.empty() && !wellFormed && !read.isListing())
        read.refusal = "the reader gave " + std::to_string(read.samples.size()) + " samples for a grid of "
                       + std::to_string(read.sizeX) + " x " + std::to_string(read.sizeY) + " x " + std::to_string(read.sizeZ);
    return read;
}

} // namespace

VolumeOpener::VolumeOpener(GLWidget *view, VolumeReader reader, QWidget *window)
    : QObject(window), view(view), reader(std::move(reader))
{
    progress = new QProgressBar(window);
    progress->setRange(0, progressSteps);
    cancel = new QPushButton(tr("Cancel"), window);
    connect(cancel, &QPushButton::clicked, this, &VolumeOpener::cancelReading);
    progressTimer = new QTimer(this);
    progressTimer->setInterval(100);
    connect(progressTimer, &QTimer::timeout, this, &VolumeOpener::showReadProgress);
    showReading(false);
}

VolumeOpener::~VolumeOpener()
{
    for (QFuture<ImportResult> &read : givenWay)
        read.waitForFinished();
    if (!reading)
        return;
    reading->cancel = true;
    readWatcher->disconnect(this);
    readWatcher->waitForFinished();
}

QString VolumeOpener::baseNameOf(QString path)
{
    path.replace(QChar('\\'), QChar('/'));
    while (path.size() > 1 && path.endsWith(QChar('/')))
        path.chop(1);
    path.remove(0, path.lastIndexOf(QChar('/')) + 1);
    return path;
}

void VolumeOpener::openPath(const QString &path)
{
    startOpen(path, false, SeriesChoice::Largest);
}

void VolumeOpener::openRemembered(const QString &path)
{
    startOpen(path, true, SeriesChoice::AskWhenSeveral);
}

void VolumeOpener::openSeries(const QString &path, int series, bool remember)
{
    startOpen(path, remember, SeriesChoice::Numbered, series);
}

void VolumeOpener::openAfterStart(const QString &path, int series)
{
    // The view loads its start-up volume when it makes its GL context; an open before that
    // would be replaced by it at once.
    QTimer::singleShot(50, this, [this, path, series] {
        if (!view->isValid())
            openAfterStart(path, series);
        else if (series > 0)
            openSeries(path, series, true);
        else
            openRemembered(path);
    });
}

void VolumeOpener::startOpen(const QString &path, bool remember, SeriesChoice choice, int series)
{
    if (reading)
        giveWayTo(path);
    if (isDatFile(path))
        openDatFile(path, remember);
    else
        startReading(path, remember, choice, series);
}

void VolumeOpener::openDatFile(const QString &path, bool remember)
{
    // The new texture must be made, and the replaced one deleted, in the view's context:
    // without it current the deletion does nothing and every open would leave a texture.
    view->makeCurrent();
    showVolume(std::make_unique<Volume>(QFile::encodeName(path).constData()), path, QString(), remember);
}

// The read in flight ends at once; its worker may take a moment to see the cancel, and its
// result, should one still come, has no watcher to hear it.
void VolumeOpener::giveWayTo(const QString &path)
{
    const std::shared_ptr<Reading> running = std::move(reading);
    running->cancel = true;
    showReading(false);
    givenWay.removeIf([](const QFuture<ImportResult> &read) { return read.isFinished(); });
    givenWay.append(readWatcher->future());
    readWatcher.reset();
    const QString line = "Cancelled opening " + running->path + " to open " + path;
    printConsole(QFile::encodeName(line).toStdString() + "\n");
    emit statusChanged(line);
    emit openFinished(false, QString());
}

void VolumeOpener::startReading(const QString &path, bool remember, SeriesChoice choice, int series)
{
    reading = std::make_shared<Reading>();
    reading->path = path;
    reading->remember = remember;
    // What memory can hold, known before the read starts: the reader refuses larger grids
    // from their headers instead of after reading them. No texture side: the view shows a
    // grid the GL cannot hold at a coarser grid that it holds.
    reading->options.limits = GridLimits{physicalMemoryBytes(), 0};
    reading->options.seriesChoice = choice;
    reading->options.series = series;
    emit statusChanged(tr("Opening %1").arg(baseNameOf(path)));
    showReading(true);
    const std::shared_ptr<Reading> job = reading;
    const VolumeReader read = reader;
    // A watcher per read: one that gave way must not be taken for the next.
    readWatcher = std::make_unique<QFutureWatcher<ImportResult>>();
    connect(readWatcher.get(), &QFutureWatcher<ImportResult>::finished, this, &VolumeOpener::finishReading);
    readWatcher->setFuture(QtConcurrent::run([job, read] {
        return readGuarded(read, job->path, job->options, [job](double fraction) { job->progress = fraction; }, job->cancel);
    }));
}

void VolumeOpener::showReadProgress()
{
    if (reading)
        progress->setValue(int(std::clamp(reading->progress.load(), 0.0, 1.0) * progressSteps));
}

void VolumeOpener::cancelReading()
{
    if (!reading)
        return;
    reading->cancel = true;
    cancel->setEnabled(false);
    emit statusChanged(tr("Cancelling %1").arg(baseNameOf(reading->path)));
}

void VolumeOpener::finishReading()
{
    const std::shared_ptr<Reading> done = std::move(reading);
    showReading(false);
    ImportResult read = readWatcher->future().takeResult();
    const QString path = done->path;
    if (done->cancel) {
        emit statusChanged(tr("Opening %1 cancelled").arg(baseNameOf(path)));
        endOpen(path, false, false);
        return;
    }
    if (!read.refusal.empty()) {
        endOpen(path, false, false, refuse(path, QString::fromStdString(read.refusal)));
        return;
    }
    if (read.isListing()) {
        emit statusChanged(tr("%1 holds %2 series: choose one").arg(baseNameOf(path)).arg(read.exam.size()));
        endOpen(path, false, false);
        emit seriesToChoose(path, read.exam, done->remember);
        return;
    }

    printConsole("loading " + std::string(QFile::encodeName(path).constData()) + " (" + read.format + ", "
                 + std::to_string(read.sizeX) + " x " + std::to_string(read.sizeY) + " x " + std::to_string(read.sizeZ)
                 + ", " + spacingText(read.spacing) + (read.sampleType.empty() ? "" : ", " + valuesDescription(read)) + ")\n");
    // What opened of an exam, in one line: patient, study date, series number and description.
    const QString origin = read.openedSeries > 0 && size_t(read.openedSeries) <= read.exam.size()
                               ? QString::fromStdString(examSeriesOrigin(read.exam[size_t(read.openedSeries - 1)]))
                               : QString();
    if (!origin.isEmpty())
        printConsole("opened " + origin.toStdString() + "\n");
    for (const std::string &note : read.notes)
        printConsole(note + "\n");
    view->makeCurrent();
    std::unique_ptr<Volume> opened = makeVolume(read);
    // Such as the other series beside the one opened: worth seeing without the console.
    const QString note = read.notes.empty() ? QString() : QString::fromStdString(read.notes.front());
    const QString values = read.values.isEmpty() ? QString() : valueRangeText(read.lowestValue, read.highestValue, read.units);
    read = ImportResult();
    showVolume(std::move(opened), path, note, done->remember, values, origin);
}

// Takes over a freshly built volume (with the view's context current) and ends the open: the
// view shows it, and volumeShown lets the title and the stops follow its name. A refused one
// changes nothing: the previous volume stays on screen with its title, histogram and stops,
// and the loader's line on the console says why.
void VolumeOpener::showVolume(std::unique_ptr<Volume> opened, const QString &path, const QString &note, bool remember,
                              QString values, const QString &origin)
{
    if (!opened->isValid()) {
        view->doneCurrent();
        const QString refusal = QString::fromStdString(opened->refusal());
        emit statusChanged(refusal);
        endOpen(path, false, false, refusal);
        return;
    }
    const Volume &shown = *opened;
    // A `.dat` file's samples are its values.
    if (values.isEmpty())
        values = valueRangeText(shown.units().valueOf(shown.densityMin), shown.units().valueOf(shown.densityMax), shown.units());
    view->setVolume(opened.release());
    view->doneCurrent();
    emit volumeShown(baseNameOf(path));
    // The grid as the source states it: an odd size is stored padded, which is ours alone.
    const DatHeader &grid = shown.statedSize();
    QString status = tr("%1: %2 x %3 x %4 voxels, values %5")
                         .arg(path)
                         .arg(grid.x)
                         .arg(grid.y)
                         .arg(grid.z)
                         .arg(values);
    if (!origin.isEmpty())
        status += "; " + origin;
    if (!note.isEmpty())
        status += "; " + note;
    emit statusChanged(status);
    endOpen(path, true, remember);
}

void VolumeOpener::endOpen(const QString &path, bool opened, bool remember, const QString &refusal)
{
    if (opened && remember)
        emit rememberedOpenSucceeded(path);
    emit openFinished(opened, refusal);
}

// Says why on the console and in the status line; the line.
QString VolumeOpener::refuse(const QString &path, const QString &reason)
{
    const QString line = "Can't load " + path + ": " + reason;
    printConsole(QFile::encodeName(line).toStdString() + "\n");
    emit statusChanged(line);
    return line;
}

void VolumeOpener::showReading(bool on)
{
    progress->setValue(0);
    progress->setVisible(on);
    cancel->setVisible(on);
    cancel->setEnabled(on);
    if (on)
        progressTimer->start();
    else
        progressTimer->stop();
}
