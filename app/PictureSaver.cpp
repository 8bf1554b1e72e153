#include "PictureSaver.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "OffscreenTarget.h"
#include "SavePictureDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

PictureSaver::PictureSaver(GLWidget *view, QWidget *dialogParent)
    : QObject(dialogParent), view(view), dialogParent(dialogParent)
{
}

void PictureSaver::save(const QString &volumeName, const QString &folder)
{
    const QString name = volumeName.isEmpty() ? QStringLiteral("lobster.dat") : volumeName;
    const QString proposed = QDir(folder.isEmpty() ? QDir::currentPath() : folder)
                                 .filePath(QFileInfo(name).completeBaseName() + ".png");
    view->makeCurrent();
    const int maximumSide = view->canRender() ? OffscreenTarget::maximumSide() : 0;
    view->doneCurrent();
    SavePictureDialog dialog(dialogParent, proposed, view->deviceSize(), maximumSide);
    if (dialog.exec() != QDialog::Accepted || dialog.path().isEmpty())
        return;

    const QString path = dialog.path();
    const QImage picture = view->renderPicture(dialog.pictureSize());
    QSaveFile file(path);
    QString failure;
    if (picture.isNull())
        failure = tr("the view cannot be drawn at that size");
    else if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        failure = file.errorString();
    if (failure.isEmpty()) {
        emit statusChanged(tr("Saved %1 (%2 x %3)").arg(path).arg(picture.width()).arg(picture.height()));
        return;
    }
    const QString line = QString("Can't save the picture %1: %2").arg(path, failure);
    printConsole(line.toStdString() + "\n");
    emit statusChanged(line);
}
