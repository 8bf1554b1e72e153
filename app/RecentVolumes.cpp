#include "RecentVolumes.h"

#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const char *const folderKey = "open/lastFolder";
const char *const recentKey = "open/recent";

} // namespace

QString RecentVolumes::lastFolder() const
{
    return QSettings().value(folderKey).toString();
}

QStringList RecentVolumes::paths() const
{
    return QSettings().value(recentKey).toStringList();
}

void RecentVolumes::remember(const QString &path)
{
    QSettings settings;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    settings.setValue(folderKey, QFileInfo(absolute).absolutePath());
    QStringList recent = paths();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    settings.setValue(recentKey, QStringList(recent.mid(0, count)));
}

void RecentVolumes::fillMenu(QMenu *menu)
{
    menu->clear();
    const QStringList recent = paths();
    for (const QString &path : recent)
        menu->addAction(path, this, [this, path] { emit chosen(path); });
    if (recent.isEmpty())
        menu->addAction(tr("(none yet)"))->setEnabled(false);
}
