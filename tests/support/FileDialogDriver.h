#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QStringList>
#include <QTimer>

// Answers the next modal file dialog with the given path, or cancels it for an empty one.
// Needs the toolkit's own dialogs (Qt::AA_DontUseNativeDialogs).
class FileDialogDriver : public QObject
{
public:
    explicit FileDialogDriver(const QString &path) : path(path)
    {
        connect(&timer, &QTimer::timeout, this, &FileDialogDriver::poll);
        timer.start(5);
    }

    QString caption;
    QStringList filters;

private:
    void poll()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer.stop();
        caption = dialog->windowTitle();
        filters = dialog->nameFilters();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    }

    QString path;
    QTimer timer;
};
