#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

class QComboBox;
class QLineEdit;

// Asks where to save a picture of the view and how large: the view's own size in device
// pixels or a whole multiple of it, drawn anew at that size rather than scaled up.
class SavePictureDialog : public QDialog
{
    Q_OBJECT

public:
    SavePictureDialog(QWidget *parent, const QString &proposedPath, const QSize &viewSize, int maximumSide);

    QString path() const;
    QSize pictureSize() const;

private:
    void browse();

    QLineEdit *pathEdit;
    QComboBox *sizeBox;
};
