#pragma once

#include "VolumeReader.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <memory>

class GLWidget;
class Volume;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

// The open flow of the window: every volume file or folder, whether chosen in a dialog,
// dropped, picked from the recent volumes or named on the command line, is opened here.
// A `.dat` file is opened at once on the GUI thread. Every other format is read by the
// VolumeReader on a worker thread while the window stays live and shows the progress bar and
// cancel button this class owns; only the hand-over to the Volume (texture upload, histogram)
// comes back to the GUI thread, where the view's GL context is.
//
// One open at a time, the latest wins: an open asked for while a read runs cancels that read,
// with a line naming both. Each open ends in openFinished, a cancelled one at once. A refused
// or cancelled one leaves the view's volume as it was and says why in statusChanged (and on
// the console); a shown one announces volumeShown first, so the window can put the title and
// the stops in place.
class VolumeOpener : public QObject
{
    Q_OBJECT

public:
    // The progress bar and cancel button are made as children of window, for its layout.
    VolumeOpener(GLWidget *view, VolumeReader reader, QWidget *window);
    // The worker reads into memory that this opener owns; it must be done before it goes.
    ~VolumeOpener() override;

    // Opens path as the dialog would, without adding it to the recent volumes. A `.dat`
    // file is opened before this returns; any other is read in the background.
    void openPath(const QString &path);
    // An open the user asked for: once it succeeds it is one of the recent volumes.
    void openRemembered(const QString &path);
    // Opens path (remembered) once the view has made its GL context and loaded its start-up
    // volume; `series` of its exam where above 0.
    void openAfterStart(const QString &path, int series = 0);
    // Opens the Nth series (from 1) of the exam at path, as its list numbers them.
    void openSeries(const QString &path, int series, bool remember);

    QProgressBar *progressBar() const { return progress; }
    QPushButton *cancelButton() const { return cancel; }

    // The name the title and the stops file go by: the last part of the path, also of a
    // folder named with a trailing separator.
    static QString baseNameOf(QString path);

signals:
    // The exam at path holds several series and none was named: the user chooses. The open
    // has ended (openFinished) without a volume; openSeries opens the one chosen.
    void seriesToChoose(const QString &path, const std::vector<ExamSeries> &exam, bool remember);
    // The view shows a newly opened volume, known by name from now on.
    void volumeShown(const QString &name);
    // A successful open the user asked for, to be kept among the recent volumes.
    void rememberedOpenSucceeded(const QString &path);
    // refusal: the console's line about why the open was refused; empty when it opened or
    // was cancelled.
    void openFinished(bool opened, const QString &refusal);
    // What the status line should say about the open in progress or just ended.
    void statusChanged(const QString &text);

private:
    void startOpen(const QString &path, bool remember, SeriesChoice choice, int series = 0);
    void giveWayTo(const QString &path);
    void openDatFile(const QString &path, bool remember);
    void startReading(const QString &path, bool remember, SeriesChoice choice, int series);
    void showReadProgress();
    void cancelReading();
    void finishReading();
    // values: the range of the original values; empty for the range of the volume's samples.
    void showVolume(std::unique_ptr<Volume> opened, const QString &path, const QString &note, bool remember,
                    QString values = QString(), const QString &origin = QString());
    void endOpen(const QString &path, bool opened, bool remember, const QString &refusal = QString());
    QString refuse(const QString &path, const QString &reason);
    void showReading(bool on);

    GLWidget *view;
    VolumeReader reader;
    QProgressBar *progress;
    QPushButton *cancel;
    QTimer *progressTimer;
    // The read in flight, shared with its worker thread; null while none runs.
    struct Reading;
    std::shared_ptr<Reading> reading;
    std::unique_ptr<QFutureWatcher<ImportResult>> readWatcher;
    // Reads that gave way to a later open, until they have seen their cancel.
    QList<QFuture<ImportResult>> givenWay;
};
