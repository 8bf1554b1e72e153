#include "ConsoleCapture.h"
#include "DatVolumeFiles.h"
#include "MeasurementKeeper.h"
#include "SliceSource.h"
#include "StopsHistory.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The grid the keeper is told about; it reads no samples.
SliceSource headSource()
{
    static const uint16_t sample = 0;
    SliceSource source;
    source.samples = &sample;
    source.size = {256, 256, 108};
    source.spacing = {0.9375, 0.9375, 1.5, true};
    return source;
}

const Measurement distance{MeasurementKind::Distance, 2, 54, {{120.5, 88.25, 54}, {140, 90, 54}}};
const Measurement ellipse{MeasurementKind::Ellipse, 1, 100, {{10, 100, 20}, {30, 100, 40}}};
const QByteArray headerAndGrid = "Dichtenschau measurements 1\ngrid 256 256 108 spacing 0.9375 0.9375 1.5\n";

QGradientStops stopsAt(double middle)
{
    return {QGradientStop(0.0, Qt::transparent), QGradientStop(middle, Qt::white), QGradientStop(1.0, Qt::transparent)};
}

// A scratch working directory for the life of a test, where the keeper finds its files.
struct Scratch
{
    Scratch() { QDir::setCurrent(dir.path()); }
    ~Scratch() { QDir::setCurrent(QDir::tempPath()); }
    QTemporaryDir dir;
};

} // namespace

class TestMeasurementKeeper : public QObject
{
    Q_OBJECT

private slots:
    // Opening reads the file and writes nothing; each edit writes it whole; the next open
    // of a volume of that name finds them again.
    void keepsTheMeasurementsOfAVolume()
    {
        Scratch scratch;
        StopsHistory history;
        MeasurementSet set;
        MeasurementKeeper keeper(&set, history.undoStack());
        keeper.openVolume("head.dat", headSource());
        QVERIFY(set.all().empty());
        QVERIFY(!QFile::exists("head.dat.measurements"));

        set.append(distance);
        QCOMPARE(fileBytes("head.dat.measurements"), headerAndGrid + "distance z 54 120.5 88.25 140 90\n");
        set.append(ellipse);

        MeasurementSet later;
        StopsHistory laterHistory;
        MeasurementKeeper again(&later, laterHistory.undoStack());
        again.openVolume("head.dat", headSource());
        QVERIFY(later.all() == (Measurements{distance, ellipse}));
        again.openVolume("other.dat", headSource());
        QVERIFY(later.all().empty());
    }

    // A file that cannot be used gives one line and no measurements, and stays as it is;
    // the first new measurement moves it aside before its own file is written.
    void refusedFilesAreLeftAndThenKeptAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
        QTest::newRow("damaged") << headerAndGrid + "distance z 54 120.5 oops 140 90\n"
                                 << "Can't use the measurements in head.dat.measurements: its line 3 is damaged";
        QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n", 8)
                                 << "Can't use the measurements in head.dat.measurements: it is not a measurements file";
        QTest::newRow("another grid")
            << QByteArray("Dichtenschau measurements 1\ngrid 512 512 300 spacing 0.5 0.5 1\ndistance z 200 1 1 2 2\n")
            << "Can't use the measurements in head.dat.measurements: it was made on a grid of 512 x 512 x 300 voxels "
               "of 0.5 x 0.5 x 1 mm, this volume's is 256 x 256 x 108 voxels of 0.9375 x 0.9375 x 1.5 mm";
    }
    void refusedFilesAreLeftAndThenKeptAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        Scratch scratch;
        QVERIFY(writeBytes("head.dat.measurements", bytes));
        // An earlier refused file is not replaced either.
        QVERIFY(writeBytes("head.dat.measurements.refused", "earlier"));
        StopsHistory history;
        MeasurementSet set;
        MeasurementKeeper keeper(&set, history.undoStack());
        QSignalSpy reported(&keeper, &MeasurementKeeper::reported);
        {
            ConsoleCapture console;
            keeper.openVolume("head.dat", headSource());
            QCOMPARE(console.text(), line + "\n");
        }
        QVERIFY(set.all().empty());
        QCOMPARE(fileBytes("head.dat.measurements"), bytes);

        ConsoleCapture console;
        set.append(distance);
        QCOMPARE(console.text(), QString("Kept the refused head.dat.measurements as head.dat.measurements.refused-2\n"));
        QCOMPARE(fileBytes("head.dat.measurements.refused-2"), bytes);
        QCOMPARE(fileBytes("head.dat.measurements.refused"), QByteArray("earlier"));
        QCOMPARE(fileBytes("head.dat.measurements"), headerAndGrid + "distance z 54 120.5 88.25 140 90\n");
        QCOMPARE(reported.size(), 2);
    }

    // Measurement edits and transfer-function steps share one history: each undo takes back
    // whichever came last, and an undone measurement edit is written to the file.
    void oneHistoryWithTheTransferFunction()
    {
        Scratch scratch;
        StopsHistory history;
        MeasurementSet set;
        MeasurementKeeper keeper(&set, history.undoStack());
        history.reset(stopsAt(0.5));
        keeper.openVolume("head.dat", headSource());
        QSignalSpy stops(&history, &StopsHistory::stopsRestored);

        history.record(stopsAt(0.6));
        set.append(distance);
        set.beginGesture();
        set.update(0, ellipse);
        set.update(0, distance);
        set.update(0, ellipse);
        set.endGesture();
        QCOMPARE(history.stack().count(), 3);

        history.undo();
        QVERIFY(set.all() == Measurements{distance});
        history.undo();
        QVERIFY(set.all().empty());
        QCOMPARE(fileBytes("head.dat.measurements"), headerAndGrid);
        QCOMPARE(stops.size(), 0);
        history.undo();
        QCOMPARE(stops.size(), 1);
        QCOMPARE(stops.last().first().value<QGradientStops>(), stopsAt(0.5));

        history.redo();
        history.redo();
        QVERIFY(set.all() == Measurements{distance});
        QCOMPARE(fileBytes("head.dat.measurements"), headerAndGrid + "distance z 54 120.5 88.25 140 90\n");
    }
};

QTEST_MAIN(TestMeasurementKeeper)
#include "tst_measurementkeeper.moc"
