#include "DatFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <vector>

// Reading `.dat` files onto the adjusted grid, and the checks that refuse a file before
// anything is allocated for it.
class TestDatFile : public QObject
{
    Q_OBJECT

private:
    // Samples numbered 1, 2, 3, ... in file order, packed as read, with room for the grid.
    static std::vector<uint16_t> spread(const DatHeader &header)
    {
        std::vector<uint16_t> samples(std::size_t(adjustedGrid(header).voxelCount()), 0);
        for (int i = 0; i < header.x * header.y * header.z; ++i)
            samples[i] = uint16_t(i + 1);
        spreadOntoAdjustedGrid(header, samples.data());
        return samples;
    }

private slots:
    void adjustsOddSizes_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("sizeX");
        QTest::addColumn<int>("sizeY");
        QTest::newRow("even") << 4 << 4 << 1 << 4 << 4;
        QTest::newRow("odd x") << 5 << 4 << 3 << 6 << 4;
        QTest::newRow("odd y") << 4 << 3 << 2 << 4 << 4;
        QTest::newRow("both odd") << 5 << 3 << 2 << 6 << 4;
    }
    void adjustsOddSizes()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(int, sizeX);
        QFETCH(int, sizeY);
        const DatHeader header{uint16_t(x), uint16_t(y), uint16_t(z)};
        const SampleGrid grid = adjustedGrid(header);
        QCOMPARE(grid.sizeX, sizeX);
        QCOMPARE(grid.sizeY, sizeY);
        QCOMPARE(grid.sizeZ, z);
        QCOMPARE(isAdjusted(header), sizeX != x || sizeY != y);

        // Every file row starts its adjusted row; the extra column repeats the row's last
        // sample and the extra row repeats the slice's last row.
        const std::vector<uint16_t> samples = spread(header);
        for (int k = 0; k < z; ++k)
            for (int j = 0; j < sizeY; ++j)
                for (int i = 0; i < sizeX; ++i) {
                    const int fromX = std::min(i, x - 1);
                    const int fromY = std::min(j, y - 1);
                    QCOMPARE(samples[std::size_t(k * grid.sliceSize() + j * sizeX + i)],
                             uint16_t(k * x * y + fromY * x + fromX + 1));
                }
    }

    void refusesFilesThatCannotBeLoaded_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<qint64>("fileBytes");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("exact") << 4 << 4 << 4 << qint64(134) << QString();
        QTest::newRow("longer") << 5 << 3 << 2 << qint64(100) << QString();
        QTest::newRow("zero z") << 4 << 4 << 0 << qint64(6) << "a size of 0 leaves no samples";
        QTest::newRow("zero x") << 0 << 4 << 4 << qint64(1000) << "a size of 0 leaves no samples";
        QTest::newRow("one sample short") << 4 << 4 << 4 << qint64(133) << "the file holds 133 bytes, its sizes need 134";
        QTest::newRow("absurd") << 65535 << 65535 << 65535 << qint64(10)
                                << "the file holds 10 bytes, its sizes need 562924184010756";
        QTest::newRow("past 16 bits") << 65535 << 2 << 1 << qint64(262146)
                                      << "the adjusted grid of 65536 x 2 exceeds 16-bit sizes";
        QTest::newRow("past 32-bit count") << 65534 << 65534 << 1 << qint64(8589410318)
                                           << "4294705156 voxels are more than the 2147483647 a volume can count";
    }
    void refusesFilesThatCannotBeLoaded()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(qint64, fileBytes);
        QFETCH(QString, refusal);
        const DatHeader header{uint16_t(x), uint16_t(y), uint16_t(z)};
        QCOMPARE(QString::fromStdString(datRefusal(header, fileBytes)), refusal);
    }

    void readFailsWhenTheFileEndsEarly()
    {
        // The length is checked before reading; a file can still shrink in between.
        QTemporaryDir folder;
        const QByteArray path = QFile::encodeName(folder.filePath("v.dat"));
        const uint16_t content[] = {3, 2, 1, 1, 2, 3, 4, 5};
        std::FILE *file = std::fopen(path.constData(), "wb");
        std::fwrite(content, sizeof content, 1, file);
        std::fclose(file);
        file = std::fopen(path.constData(), "rb");
        DatHeader header;
        std::vector<uint16_t> samples(8);
        QVERIFY(readDatHeader(file, header));
        QVERIFY(!readDatSamples(file, header, samples.data()));
        std::fclose(file);
    }
};

QTEST_APPLESS_MAIN(TestDatFile)
#include "tst_DatFile.moc"
