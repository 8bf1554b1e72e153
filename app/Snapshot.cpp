#include "Snapshot.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "PatientAxes.h"
#include "ReadingLayout.h"
#include "ReadingState.h"
#include "SliceImage.h"
#include "SliceView.h"
#include "Window.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>

#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace Snapshot {

namespace {

constexpr const char *usage = "usage: dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Z] "
                              "[--view 3d|axial|coronal|sagittal|grid] [--window WIDTH,LEVEL] [--crop X0,X1,Y0,Y1,Z0,Z1] PATH";
constexpr int startTimeoutMs = 20000;

bool parseSize(const QString &text, QSize &size)
{
    const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,5})x(\\d{1,5})$").match(text);
    if (!m.hasMatch())
        return false;
    size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    return !size.isEmpty();
}

bool parseTurn(const QString &text, double &x, double &z)
{
    const QStringList parts = text.split(',');
    bool okX = false, okZ = false;
    if (parts.size() == 2) {
        x = parts[0].toDouble(&okX);
        z = parts[1].toDouble(&okZ);
    }
    return okX && okZ && std::isfinite(x) && std::isfinite(z);
}

// Numbers separated by commas, as many as values holds, each finite.
bool parseNumbers(const QString &text, double *values, int count)
{
    const QStringList parts = text.split(',');
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        values[i] = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(values[i]))
            return false;
    }
    return true;
}

bool parseWindow(const QString &text, std::optional<std::array<double, 2>> &window)
{
    std::array<double, 2> values;
    if (!parseNumbers(text, values.data(), 2) || !(values[0] > 0))
        return false;
    window = values;
    return true;
}

bool parseCrop(const QString &text, std::array<double, 6> &crop)
{
    if (!parseNumbers(text, crop.data(), 6))
        return false;
    for (int axis = 0; axis < 3; ++axis)
        if (!(0 <= crop[2 * axis] && crop[2 * axis] < crop[2 * axis + 1] && crop[2 * axis + 1] <= 1))
            return false;
    return true;
}

const QStringList &viewNames()
{
    static const QStringList names{"3d", "axial", "coronal", "sagittal", "grid"};
    return names;
}

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

bool waitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(startTimeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// The one place the command opens its volume; it takes the window's own open flow, for
// every format, and waits until the read in the background has ended.
bool openVolume(Window &window, const QString &path, QString &failure)
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
    window.openPath(path);
    if (!finished)
        loop.exec();
    if (!opened && failure.isEmpty())
        failure = "Can't open " + path;
    return opened;
}

// The window's 2 x 2 layout as it would show the volume: the three reading views, with their
// letters, lines and captions, and the 3-D view's resting frame.
QImage gridPicture(const Window &window, const QSize &size)
{
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
        place(view, slice.grab().toImage());
    }
    place(3, view3d);
    return picture;
}

// Everything but the argument check; the failure line is set where false is returned.
bool makePicture(const Request &request, QImage &picture, QString &failure)
{
    Window window;
    // A window that is laid out and has its GL context, but never appears on the screen.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    GLWidget *view = window.view();
    if (!waitFor([&] { return view->isValid() && window.isVisible(); }) || !view->canRender()) {
        failure = "Can't draw: no OpenGL 2 context with the shader programs (are the shader files in the working directory?)";
        return false;
    }
    QCoreApplication::processEvents();
    if (!openVolume(window, request.volume, failure))
        return false;
    view->setXRotation(int(std::lround(request.turnX * 16)));
    view->setZRotation(int(std::lround(request.turnZ * 16)));
    ReadingState *reading = window.readingViews()->state();
    const std::array<double, 6> crop = voxelCropBox(request.crop, reading->axisOrder());
    view->setCropBox({float(crop[0]), float(crop[1]), float(crop[2]), float(crop[3]), float(crop[4]), float(crop[5])});
    if (request.window)
        reading->setWindow({(*request.window)[0], (*request.window)[1]});
    else
        reading->useAutomaticWindow();
    if (request.view == "3d")
        picture = view->renderPicture(request.size);
    else if (request.view == "grid")
        picture = gridPicture(window, request.size);
    else
        picture = middleSlicePicture(reading->source(), SliceOrientation(viewNames().indexOf(request.view) - 1),
                                     reading->window(), request.size);
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

Request parse(const QStringList &arguments, QString &error)
{
    Request request;
    QStringList positional;
    bool haveOutput = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--snapshot" && hasValue && !haveOutput) {
            request.output = arguments[++i];
            haveOutput = true;
        } else if (argument == "--size" && hasValue) {
            if (!parseSize(arguments[++i], request.size)) {
                error = "Can't take the size " + arguments[i] + ": give it as WIDTHxHEIGHT, e.g. 800x800";
                return request;
            }
        } else if (argument == "--turn" && hasValue) {
            if (!parseTurn(arguments[++i], request.turnX, request.turnZ)) {
                error = "Can't take the turn " + arguments[i] + ": give it as X,Z in degrees, e.g. 30,45";
                return request;
            }
        } else if (argument == "--view" && hasValue) {
            request.view = arguments[++i];
            if (!viewNames().contains(request.view)) {
                error = "Can't take the view " + request.view + ": give 3d, axial, coronal, sagittal or grid";
                return request;
            }
        } else if (argument == "--window" && hasValue) {
            if (!parseWindow(arguments[++i], request.window)) {
                error = "Can't take the window " + arguments[i] + ": give it as WIDTH,LEVEL in the volume's units, "
                        "the width above 0, e.g. 400,40";
                return request;
            }
        } else if (argument == "--crop" && hasValue) {
            if (!parseCrop(arguments[++i], request.crop)) {
                error = "Can't take the crop box " + arguments[i] + ": give six fractions X0,X1,Y0,Y1,Z0,Z1 from 0 to 1, "
                        "each lower bound below its upper one, e.g. 0,1,0,0.5,0,1";
                return request;
            }
        } else if (argument.startsWith("--")) {
            error = QString(usage);
            return request;
        } else {
            positional << argument;
        }
    }
    if (!haveOutput || positional.size() != 1) {
        error = QString(usage);
        return request;
    }
    request.volume = positional.first();
    return request;
}

int run(const QStringList &arguments)
{
    QString failure;
    const Request request = parse(arguments, failure);
    QImage picture;
    if (failure.isEmpty()) {
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
