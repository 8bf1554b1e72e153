#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;

// The volumes opened lately, newest first, and the folder of the last one, kept in the
// settings from one session to the next: the dialogs start in that folder, and the "recent
// Volumes" menu lists the volumes to open again.
class RecentVolumes : public QObject
{
    Q_OBJECT

public:
    static constexpr int count = 8;

    using QObject::QObject;

    // Where the last volume came from; empty before the first.
    QString lastFolder() const;
    QStringList paths() const;
    void remember(const QString &path);
    // Fills the menu anew with the recent volumes; choosing one announces it as chosen.
    void fillMenu(QMenu *menu);

signals:
    void chosen(const QString &path);
};
