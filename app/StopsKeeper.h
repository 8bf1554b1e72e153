#pragma once

#include <QGradientStops>
#include <QObject>
#include <QString>

// Keeps the transfer function of the volume on screen in its stops file: the volume's base
// name with ".stops" appended, in the working directory, so that two volumes of one name
// share a file. It reads the stored stops when a volume is opened (the default stops where
// there is no file) and writes the stops it is given on each real edit; the stops put into
// the editor at an open are never written by it, so a file changes only with the user's
// first edit. A failing save is reported once, on the console and through saveFailed, and
// again only after a save has succeeded in between: the disk stays full for many edits.
class StopsKeeper : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The volume the stops belong to, by base name; empty until a volume has been opened,
    // and while it is, nothing is read or written.
    void setVolumeName(const QString &name) { volume = name; }
    const QString &volumeName() const { return volume; }
    QString stopsFileName() const;

    // The stops stored for the volume, or the default stops where none are; an empty file
    // gives no stops.
    QGradientStops storedStops() const;
    void save(const QGradientStops &stops);

signals:
    void saveFailed(const QString &line);

private:
    QString volume;
    // Why the last save failed; empty after one that succeeded.
    QString lastFailure;
};
