#include "Snapshot.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "PatientAxes.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "SliceImage.h"
#include "SliceView.h"
#include "ThickSlab.h"
#include "Window.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace Snapshot {

namespace {

constexpr int startTimeoutMs = 20000;

// The loader's and the view's progress lines are not wanted on a command's output: the
// standard output is silenced while the picture is made, and restored for the one line.
class SilencedOutput
{
public:
    SilencedOutput()
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere >= 0) {
            dup2(nowhere, STDOUT_FILENO);
            close(nowhere);
        }
    }
    ~SilencedOutput()
    {
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    }

private:
    int saved = -1;
};

// The one place the command opens its volume; it takes the window's own open flow, for
// every format, and waits until the read in the background has ended.
bool openVolume(Window &window, const QString &path, std::optional<int> series, QString &failure)
{
    bool finished = false;
    bool opened = false;
    QEventLoop loop;
    QObject::connect(&window, &Window::openFinished, &loop, [&](bool success, const QString &refusal) {
        finished = true;
        opened = success;
        failure = refusal;
        loop.quit();
    });
    if (series)
        window.openSeries(path, *series);
    else
        window.openPath(path);
    if (!finished)
        loop.exec();
    if (!opened && failure.isEmpty())
        failure = "Can't open " + path;
    return opened;
}

// The window's 2 x 2 layout as it would show the volume: the three reading views, with their
// letters, lines and captions, and the 3-D view's resting frame.
QImage gridPicture(const Window &window, const ProgramRequest &request)
{
    const QSize &size = request.size;
    const int gap = ReadingLayout::gridSpacing;
    const QSize cell((size.width() - gap) / 2, (size.height() - gap) / 2);
    QImage picture(size, QImage::Format_RGB32);
    const QImage view3d = window.view()->renderPicture(cell);
    if (picture.isNull() || view3d.isNull())
        return QImage();
    picture.fill(window.palette().color(QPalette::Window));
    QPainter painter(&picture);
    const auto place = [&](int view, const QImage &image) {
        const QPoint at = ReadingLayout::gridCell(view);
        painter.drawImage(QPoint(at.x() * (cell.width() + gap), at.y() * (cell.height() + gap)), image);
    };
    for (int view = 0; view < 3; ++view) {
        SliceView slice(SliceOrientation(view), window.readingViews()->state());
        slice.resize(cell);
        slice.setSlab(request.slab);
        place(view, slice.grab().toImage());
    }
    place(3, view3d);
    return picture;
}

// Everything but the argument check; the failure line is set where false is returned.
bool makePicture(const ProgramRequest &request, QImage &picture, QString &failure)
{
    Window window;
    // A window that is laid out and has its GL context, but never appears on the screen.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    GLWidget *view = window.view();
    // Showing sends the view its first resize, in which it makes its context and builds
    // its programs: after show() the view can draw, or never will.
    if (!view->isValid() || !view->canRender()) {
        failure = "Can't draw: no OpenGL 2 context with the shader programs (are the shader files in the working directory?)";
        return false;
    }
    QCoreApplication::processEvents();
    if (!openVolume(window, request.volumes.first(), request.series, failure))
        return false;
    view->setXRotation(int(std::lround(request.turnX * 16)));
    view->setZRotation(int(std::lround(request.turnZ * 16)));
    ReadingState *reading = window.readingViews()->state();
    const std::array<double, 6> crop = voxelCropBox(request.crop, reading->axisOrder());
    view->setCropBox({float(crop[0]), float(crop[1]), float(crop[2]), float(crop[3]), float(crop[4]), float(crop[5])});
    view->setProjectionMode(request.projection);
    // Without a window of its own, the picture keeps the start window the reading views
    // chose for the volume, as the window shows it.
    if (request.window)
        reading->setWindow({(*request.window)[0], (*request.window)[1]});
    if (request.view == ProgramRequest::PictureView::ThreeD)
        picture = view->renderPicture(request.size);
    else if (request.view == ProgramRequest::PictureView::Grid)
        picture = gridPicture(window, request);
    else
        picture = middleSlabPicture(reading->source(), SliceOrientation(int(request.view) - int(ProgramRequest::PictureView::Axial)),
                                    reading->window(), request.slab, request.size);
    if (picture.isNull()) {
        failure = QString("Can't draw a picture of %1 x %2 pixels").arg(request.size.width()).arg(request.size.height());
        return false;
    }
    return true;
}

bool writePicture(const QImage &picture, const QString &path, QString &failure)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit())
        return true;
    failure = QString("Can't write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

int run(const ProgramRequest &request)
{
    QString failure;
    QImage picture;
    {
        const SilencedOutput silence;
        if (makePicture(request, picture, failure))
            writePicture(picture, request.output, failure);
    }
    if (failure.isEmpty())
        return 0;
    printConsole(failure.toLocal8Bit().toStdString() + "\n");
    return 1;
}

} // namespace Snapshot
