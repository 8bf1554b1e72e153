#include "Snapshot.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "Window.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>

#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace Snapshot {

namespace {

constexpr const char *usage = "usage: dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Y] PATH";
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
    picture = view->renderPicture(request.size);
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
