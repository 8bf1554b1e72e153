#pragma once

#include <QObject>
#include <QString>

class GLWidget;
class QWidget;

// Saves a picture of the view as a PNG file: it proposes the volume's name in the folder of
// the last volume, asks where and how large (the view's size or a whole multiple, drawn anew
// at that size), and says on the status line what became of it; a failure also goes to the
// console. The file appears whole or not at all.
class PictureSaver : public QObject
{
    Q_OBJECT

public:
    PictureSaver(GLWidget *view, QWidget *dialogParent);

    // volumeName is the base name of the volume on screen, empty for the start-up volume.
    void save(const QString &volumeName, const QString &folder);

signals:
    void statusChanged(const QString &text);

private:
    GLWidget *view;
    QWidget *dialogParent;
};
