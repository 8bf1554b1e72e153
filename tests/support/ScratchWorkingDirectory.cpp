#include "ScratchWorkingDirectory.h"

#include "DatVolumeFiles.h"

#include <QDir>

ScratchWorkingDirectory::ScratchWorkingDirectory()
{
    ready = dir.isValid() && copyShaders(dir.path()) && QDir::setCurrent(dir.path());
}

ScratchWorkingDirectory::~ScratchWorkingDirectory()
{
    QDir::setCurrent(QDir::tempPath());
}
