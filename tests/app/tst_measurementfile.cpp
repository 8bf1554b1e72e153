#include "MeasurementFile.h"

#include <QTest>


using MeasurementFile::Decoded;
using MeasurementFile::Grid;
using MeasurementFile::Verdict;

Q_DECLARE_METATYPE(Verdict)

namespace {

const Grid headGrid{{256, 256, 108}, {0.9375, 0.9375, 1.5}};

const QByteArray headerAndGrid = "Dichtenschau measurements 1\ngrid 256 256 108 spacing 0.9375 0.9375 1.5\n";

} // namespace

class TestMeasurementFile : public QObject
{
    Q_OBJECT

private slots:
    // The format as it is documented, line for line.
    void writesTheDocumentedText()
    {
        const Measurements list{
            Measurement{MeasurementKind::Distance, 2, 54, {{120.5, 88.25, 54}, {140, 90, 54}}},
            Measurement{MeasurementKind::Angle, 0, 7, {{7, 1, 2}, {7, 3, 4}, {7, 5, 0.1}}},
            Measurement{MeasurementKind::Ellipse, 1, 100, {{10, 100, 20}, {30, 100, 40}}},
        };
        QCOMPARE(MeasurementFile::encode(headGrid, list),
                 headerAndGrid + "distance z 54 120.5 88.25 140 90\n"
                                 "angle x 7 1 2 3 4 5 0.1\n"
                                 "ellipse y 100 10 20 30 40\n");
    }

    // Every point comes back as the same double, whatever its digits.
    void readsBackWhatItWrote()
    {
        const Measurements list{
            Measurement{MeasurementKind::Rectangle, 2, 0, {{1.0 / 3, 2.0 / 7, 0}, {255.5, -0.5, 0}}},
            Measurement{MeasurementKind::Angle, 1, 255, {{0.1, 255, 1e-7}, {3, 255, 107.49999999}, {-0.5, 255, 0}}},
            Measurement{MeasurementKind::Distance, 0, 3, {{3, 17.125, 99}, {3, 17.125, 99}}},
        };
        const Decoded decoded = MeasurementFile::decode(MeasurementFile::encode(headGrid, list));
        QCOMPARE(decoded.verdict, Verdict::Read);
        QVERIFY(decoded.grid.sameAs(headGrid));
        QVERIFY(decoded.measurements == list);
    }

    // A file is used whole or not at all; the first wrong line is named.
    void refusesWhatIsNotWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("line");
        QTest::newRow("empty") << QByteArray() << Verdict::Foreign << 0;
        QTest::newRow("a stops file") << QByteArray::fromHex("000000000000e03f01000000ffffffffffffffff00000000") << Verdict::Foreign << 0;
        QTest::newRow("a later version") << QByteArray("Dichtenschau measurements 2\n") << Verdict::Foreign << 0;
        QTest::newRow("no grid") << QByteArray("Dichtenschau measurements 1\n") << Verdict::Damaged << 2;
        QTest::newRow("a grid without voxels")
            << QByteArray("Dichtenschau measurements 1\ngrid 256 0 108 spacing 1 1 1\n") << Verdict::Damaged << 2;
        QTest::newRow("a spacing that is no number")
            << QByteArray("Dichtenschau measurements 1\ngrid 2 2 2 spacing 1 nan 1\n") << Verdict::Damaged << 2;
        QTest::newRow("an unknown kind") << headerAndGrid + "circle z 3 1 1 2 2\n" << Verdict::Damaged << 3;
        QTest::newRow("an unknown axis") << headerAndGrid + "distance w 3 1 1 2 2\n" << Verdict::Damaged << 3;
        QTest::newRow("a slice past the grid") << headerAndGrid + "distance z 108 1 1 2 2\n" << Verdict::Damaged << 3;
        QTest::newRow("a point off the grid")
            << headerAndGrid + "distance z 3 1 1 2 2\nellipse x 5 1 1 255.6 2\n" << Verdict::Damaged << 4;
        QTest::newRow("a coordinate missing") << headerAndGrid + "angle y 3 1 1 2 2 3\n" << Verdict::Damaged << 3;
        QTest::newRow("a coordinate too many") << headerAndGrid + "distance y 3 1 1 2 2 3\n" << Verdict::Damaged << 3;
        QTest::newRow("an infinite coordinate") << headerAndGrid + "distance z 3 inf 1 2 2\n" << Verdict::Damaged << 3;
        QTest::newRow("an empty line") << headerAndGrid + "\ndistance z 3 1 1 2 2\n" << Verdict::Damaged << 3;
        QTest::newRow("written on another system")
            << QByteArray("Dichtenschau measurements 1\r\ngrid 256 256 108 spacing 0.9375 0.9375 1.5\r\n"
                          "distance z 3 1 1 2 2\r\n")
            << Verdict::Read << 0;
    }
    void refusesWhatIsNotWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Verdict, verdict);
        QFETCH(int, line);
        const Decoded decoded = MeasurementFile::decode(bytes);
        QCOMPARE(decoded.verdict, verdict);
        QCOMPARE(decoded.line, line);
        if (verdict != Verdict::Read)
            QVERIFY(decoded.measurements.empty());
    }

    void namesTheGridOfAnotherVolume()
    {
        const Decoded decoded = MeasurementFile::decode(headerAndGrid);
        QCOMPARE(MeasurementFile::refusal(decoded, headGrid), QString());
        // What an importer's rounding leaves is the same grid.
        QCOMPARE(MeasurementFile::refusal(decoded, Grid{{256, 256, 108}, {0.9375, 0.9375, 1.5 + 1e-9}}), QString());
        QCOMPARE(MeasurementFile::refusal(decoded, Grid{{512, 512, 300}, {0.5, 0.5, 1}}),
                 QString("it was made on a grid of 256 x 256 x 108 voxels of 0.9375 x 0.9375 x 1.5 mm, this volume's is "
                         "512 x 512 x 300 voxels of 0.5 x 0.5 x 1 mm"));
        QVERIFY(!MeasurementFile::refusal(decoded, Grid{{256, 256, 108}, {0.9375, 0.9375, 3}}).isEmpty());
    }
};

QTEST_MAIN(TestMeasurementFile)
#include "tst_measurementfile.moc"
