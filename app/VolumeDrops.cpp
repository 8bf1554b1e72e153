#include "VolumeDrops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace {

// The first local file or folder the drag carries; empty when it carries none.
QString firstLocalPath(const QMimeData *data)
{
    const QList<QUrl> urls = data->urls();
    return !urls.isEmpty() && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

} // namespace

VolumeDrops::VolumeDrops(QWidget *target)
    : QObject(target)
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool VolumeDrops::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    const QString path = firstLocalPath(drop->mimeData());
    if (path.isEmpty())
        return false;
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop)
        emit dropped(path);
    return true;
}
