#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder holding the four shader files, made the process's working directory
// for the life of the object, since the program finds its shaders, its default volume and
// its stops files there by relative name. Afterwards the working directory is the system's
// temporary folder and this one is gone.
class ScratchWorkingDirectory
{
public:
    ScratchWorkingDirectory();
    ~ScratchWorkingDirectory();

    bool isReady() const { return ready; }
    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
    bool ready = false;
};
