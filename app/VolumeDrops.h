#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Lets volume files and folders be dropped on a widget (the window): a drag that carries
// local files or folders is accepted, and a drop names the first of them, since any one file
// of a DICOM series opens its whole series.
class VolumeDrops : public QObject
{
    Q_OBJECT

public:
    explicit VolumeDrops(QWidget *target);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void dropped(const QString &path);
};
