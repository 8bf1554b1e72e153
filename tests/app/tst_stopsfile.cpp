#include "ConsoleCapture.h"
#include "DefaultStops.h"
#include "StopsFile.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// The three default stops as they lie on disk.
QByteArray defaultStopsBytes()
{
    const QByteArray transparent = QByteArray::fromHex("0000000000000000" "01000000" "00000000000000000000" "0000");
    const QByteArray opaque = QByteArray::fromHex("000000000000e03f" "01000000" "ffffffffffffffff0000" "0000");
    const QByteArray last = QByteArray::fromHex("000000000000f03f" "01000000" "00000000000000000000" "0000");
    return transparent + opaque + last;
}

QByteArray record(double position, int model, quint16 w0, quint16 w1, quint16 w2, quint16 w3, quint16 w4)
{
    QGradientStops one{QGradientStop(position, QColor())};
    QByteArray bytes = StopsFile::encode(one);
    const quint16 words[5] = {w0, w1, w2, w3, w4};
    bytes[8] = char(model);
    for (int i = 0; i < 5; ++i) {
        bytes[12 + 2 * i] = char(words[i] & 0xFF);
        bytes[13 + 2 * i] = char(words[i] >> 8);
    }
    return bytes;
}

} // namespace

class TestStopsFile : public QObject
{
    Q_OBJECT

private slots:
    void encodesDefaultStopsByteForByte()
    {
        const QByteArray bytes = StopsFile::encode(defaultStops());
        QCOMPARE(bytes.size(), 72);
        QCOMPARE(bytes.toHex(), defaultStopsBytes().toHex());
    }

    void roundTripsEditorColours()
    {
        const QGradientStops stops{QGradientStop(0.0, QColor(255, 0, 0, 255)), QGradientStop(0.25, QColor(1, 2, 3, 4)),
                                   QGradientStop(0.753, QColor(128, 64, 32, 16)), QGradientStop(1.0, QColor(0, 0, 255, 0))};
        const StopsFile::Decoded decoded = StopsFile::decode(StopsFile::encode(stops));
        QCOMPARE(decoded.skipped, 0);
        QCOMPARE(decoded.stops.size(), stops.size());
        for (int i = 0; i < stops.size(); ++i) {
            QCOMPARE(decoded.stops[i].first, stops[i].first);
            QCOMPARE(decoded.stops[i].second.rgba(), stops[i].second.rgba());
        }
        // 8-bit channels are stored at 16 bits: 128 as 32896.
        const QByteArray bytes = StopsFile::encode({QGradientStop(0.0, QColor(128, 0, 0, 255))});
        QCOMPARE(quint8(bytes[14]) | quint8(bytes[15]) << 8, 32896);
    }

    void decodesEveryColourModel()
    {
        const QByteArray bytes = record(0.1, 1, 0xFFFF, 0xFFFF, 0x8080, 0, 0) + record(0.2, 2, 0xFFFF, 12000, 0xFFFF, 0xFFFF, 0) +
                                 record(0.3, 3, 0x8080, 0, 0xFFFF, 0xFFFF, 0) + record(0.4, 0, 0, 0, 0, 0, 0);
        const StopsFile::Decoded decoded = StopsFile::decode(bytes);
        QCOMPARE(decoded.stops.size(), 4);
        QCOMPARE(decoded.stops[0].second.rgba(), 0xFFFF8000u);
        QCOMPARE(decoded.stops[1].second.spec(), QColor::Hsv);
        QCOMPARE(decoded.stops[1].second.hsvHue(), 120);
        QCOMPARE(decoded.stops[1].second.rgba(), 0xFF00FF00u);
        QCOMPARE(decoded.stops[2].second.spec(), QColor::Cmyk);
        QCOMPARE(decoded.stops[2].second.rgba(), 0x80FF0000u);
        QVERIFY(!decoded.stops[3].second.isValid());
        // And back: the other models keep their words.
        QCOMPARE(StopsFile::encode({decoded.stops[1]}).toHex(), bytes.mid(24, 24).toHex());
        QCOMPARE(StopsFile::encode({decoded.stops[2]}).toHex(), bytes.mid(48, 24).toHex());
    }

    void skipsDamagedRecordsAndIgnoresATrailingPart()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QByteArray bytes = record(nan, 1, 1, 1, 1, 1, 0) + record(0.5, 1, 0xFFFF, 0, 0, 0, 0) + record(inf, 1, 1, 1, 1, 1, 0) +
                           record(0.7, 77, 1, 1, 1, 1, 0) + record(1.5, 1, 0xFFFF, 0, 0, 0, 0);
        bytes.append("\x01\x02", 2);
        const StopsFile::Decoded decoded = StopsFile::decode(bytes);
        QCOMPARE(decoded.skipped, 3);
        QCOMPARE(decoded.stops.size(), 2);
        QCOMPARE(decoded.stops[0].first, 0.5);
        // Positions outside 0..1 are the editor's to clamp.
        QCOMPARE(decoded.stops[1].first, 1.5);
        QCOMPARE(StopsFile::decode(defaultStopsBytes().left(50)).stops.size(), 2);
        QVERIFY(StopsFile::decode(QByteArray()).stops.isEmpty());
    }

    void readsAtMostTheEditorsWorth()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("huge.dat.stops");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray one = record(0.5, 1, 0xFFFF, 0, 0, 0, 0);
        for (int i = 0; i < StopsFile::maxStops + 10; ++i)
            file.write(one);
        file.close();
        QGradientStops stops;
        ConsoleCapture console;
        QCOMPARE(StopsFile::read(path, stops), StopsFile::ReadResult::Read);
        QCOMPARE(stops.size(), StopsFile::maxStops);
        QCOMPARE(console.text(), QString("%1 holds %2 stops; using the first 4096\n").arg(path).arg(StopsFile::maxStops + 10));
    }

    void readReportsMissingFilesAndDamage()
    {
        QTemporaryDir dir;
        QGradientStops stops;
        QCOMPARE(StopsFile::read(dir.filePath("absent.stops"), stops), StopsFile::ReadResult::Missing);
        const QString path = dir.filePath("nan.stops");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(record(std::nan(""), 1, 0, 0, 0, 0, 0));
        file.close();
        ConsoleCapture console;
        QCOMPARE(StopsFile::read(path, stops), StopsFile::ReadResult::Read);
        QVERIFY(stops.isEmpty());
        QCOMPARE(console.text(), QString("Skipping 1 damaged stop record(s) in %1\n").arg(path));
    }

    void writeReplacesTheFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("name with ümlaut.dat.stops");
        QVERIFY(StopsFile::write(path, defaultStops()).isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), defaultStopsBytes());
        file.close();
        QVERIFY(StopsFile::write(path, {}).isEmpty());
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void failedWriteKeepsThePreviousFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("kept.dat.stops");
        QVERIFY(StopsFile::write(path, defaultStops()).isEmpty());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const QString failure = StopsFile::write(path, {defaultStops().first()});
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (failure.isEmpty())
            QSKIP("the directory stayed writable (running with privileges that ignore permissions)");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), defaultStopsBytes());
    }
};

QTEST_MAIN(TestStopsFile)
#include "tst_stopsfile.moc"
