#include "DatFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <vector>

// Reading `.dat` files onto the adjusted grid, and the checks that refuse a file before
// anything is allocated for it.
class TestDatFile : public QObject
{
    Q_OBJECT

private:
    // Samples numbered 1, 2, 3, ... in file order, each slice packed at the start of its
    // adjusted slice as read, then spread.
    static std::vector<uint16_t> spread(const DatHeader &header)
    {
        const SampleGrid grid = adjustedGrid(header);
        std::vector<uint16_t> samples(std::size_t(grid.voxelCount()), 0);
        const int fileSlice = header.x * header.y;
        for (int z = 0; z < header.z; ++z) {
            uint16_t *slice = samples.data() + z * grid.sliceSize();
            for (int i = 0; i < fileSlice; ++i)
                slice[i] = uint16_t(z * fileSlice + i + 1);
            spreadSliceOntoAdjustedGrid(header, slice);
        }
        return samples;
    }

    static QByteArray fileContent(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

    // The codec works on bytes, so these hold on hosts of either byte order: a big-endian
    // host that read or wrote the file natively would see the bytes swapped.
    void codesLittleEndianOnEveryHost()
    {
        const std::vector<uint16_t> values{0x1234, 0xabcd, 0x00ff, 0xff00};
        const QByteArray bytes("\x34\x12\xcd\xab\xff\x00\x00\xff", 8);
        QByteArray encoded(8, '\0');
        encodeLittleEndianSamples(values.data(), values.size(), reinterpret_cast<unsigned char *>(encoded.data()));
        QCOMPARE(encoded, bytes);
        std::vector<uint16_t> decoded(4);
        decodeLittleEndianSamples(reinterpret_cast<const unsigned char *>(bytes.constData()), 4, decoded.data());
        QCOMPARE(decoded, values);
        // In place, as the reader decodes on a big-endian host.
        std::vector<uint16_t> inPlace(4);
        std::memcpy(inPlace.data(), bytes.constData(), 8);
        decodeLittleEndianSamples(reinterpret_cast<const unsigned char *>(inPlace.data()), 4, inPlace.data());
        QCOMPARE(inPlace, values);
    }

    void writesWhatTheReaderReads()
    {
        QTemporaryDir folder;
        const QByteArray path = QFile::encodeName(folder.filePath("w.dat"));
        const std::vector<uint16_t> samples{1, 0x0203, 4095, 0xfffe, 5, 6};
        QCOMPARE(QString::fromStdString(writeDatFile(path.constData(), DatHeader{3, 2, 1}, samples.data())), QString());
        QCOMPARE(fileContent(path),
                 QByteArray("\3\0\2\0\1\0\1\0\3\2\xff\x0f\xfe\xff\5\0\6\0", 18));

        std::FILE *file = openDatFile(path.constData());
        DatHeader header;
        QVERIFY(readDatHeader(file, header));
        QCOMPARE(QList<int>({header.x, header.y, header.z}), QList<int>({3, 2, 1}));
        QCOMPARE(QString::fromStdString(datRefusal(header, regularFileBytes(file))), QString());
        std::vector<uint16_t> read(std::size_t(adjustedGrid(header).voxelCount()));
        QVERIFY(readDatSamples(file, header, read.data()));
        std::fclose(file);
        QCOMPARE(read, (std::vector<uint16_t>{1, 0x0203, 4095, 4095, 0xfffe, 5, 6, 6}));
    }

    // The writer applies the reader's limits, and a refused or failed write leaves neither a
    // file at the path nor a temporary one beside it; an earlier file stays as it was.
    void refusesWhatTheReaderRefuses_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::newRow("zero size") << 4 << 0 << 4;
        QTest::newRow("odd x of 65535") << 65535 << 2 << 1;
        QTest::newRow("more voxels than a volume counts") << 65534 << 65534 << 1;
    }
    void refusesWhatTheReaderRefuses()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QTemporaryDir folder;
        const QString path = folder.filePath("r.dat");
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        const DatHeader header{uint16_t(x), uint16_t(y), uint16_t(z)};
        const std::string reason = writeDatFile(QFile::encodeName(path).constData(), header, nullptr);
        QVERIFY(!reason.empty());
        QCOMPARE(reason, datRefusal(header, datFileBytes(header)));
        QCOMPARE(reason, gridRefusal(x, y, z));
        QCOMPARE(fileContent(path), QByteArray("earlier"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"r.dat"}));
    }

    void failedWriteLeavesNothing()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("missing/w.dat");
        const uint16_t samples[8] = {};
        QVERIFY(!writeDatFile(QFile::encodeName(path).constData(), DatHeader{2, 2, 2}, samples).empty());
        QVERIFY(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
        QVERIFY(QDir(folder.path()).mkdir("folder.dat"));
        QVERIFY(!writeDatFile(QFile::encodeName(folder.filePath("folder.dat")).constData(), DatHeader{2, 2, 2}, samples)
                     .empty());
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"folder.dat"}));
    }
};

QTEST_APPLESS_MAIN(TestDatFile)
#include "tst_DatFile.moc"
