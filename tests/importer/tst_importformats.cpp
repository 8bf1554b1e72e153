#include "ImportError.h"
#include "VolumeFiles.h"
#include "VolumeImport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace VolumeFiles;

Q_DECLARE_METATYPE(SampleType)

// Every format and sample type converts a 3 x 4 x 5 volume voxel for voxel. The stored
// values start with the extremes of the type (and a NaN for floats), so that wide values
// clip instead of wrapping, then ramp across zero for signed types.
class TestImportFormats : public QObject
{
    Q_OBJECT

private slots:
    void nifti_data();
    void nifti();
    void nrrd_data();
    void nrrd();
    void metaImage_data();
    void metaImage();
    void invesalius_data();
    void invesalius();
    void raw_data();
    void raw();
    void placement_data();
    void placement();

private:
    static constexpr int sizes[3] = {3, 4, 5};
    static constexpr int count = 3 * 4 * 5;

    static void addTypeRows(const QStringList &variants, bool bothByteOrders = true);
    static QVector<double> storedValues(SampleType type);
    static int expectedHounsfield(double value);
    ImportRequest hounsfieldRequest(const QString &input) const;
    void importAndCheck(const ImportRequest &request, SampleType type, double slope = 1.0, double intercept = 0.0);
    void importAndCheck(const QString &input, SampleType type, double slope = 1.0, double intercept = 0.0)
    {
        importAndCheck(hounsfieldRequest(input), type, slope, intercept);
    }

    QTemporaryDir dir;
};

void TestImportFormats::addTypeRows(const QStringList &variants, bool bothByteOrders)
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<SampleType>("type");
    QTest::addColumn<bool>("bigEndian");
    for (const QString &variant : variants) {
        for (int t = 0; t <= int(SampleType::Float64); ++t) {
            const SampleType type = SampleType(t);
            for (bool big : {false, true}) {
                if (big && !bothByteOrders)
                    continue;
                const QString name = QStringLiteral("%1 %2 %3").arg(variant, sampleTypeName(type), big ? "big" : "little");
                QTest::newRow(qPrintable(name)) << variant << type << big;
            }
        }
    }
}

QVector<double> TestImportFormats::storedValues(SampleType type)
{
    const bool isSigned = type == SampleType::Int8 || type == SampleType::Int16 || type == SampleType::Int32
                          || !isIntegerType(type);
    QVector<double> values(count);
    for (int i = 0; i < count; ++i)
        values[i] = (i * 37) % 120 - (isSigned ? 60 : 0);
    switch (type) {
    case SampleType::UInt8: values[0] = 255; break;
    case SampleType::Int8: values[0] = 127; values[1] = -128; break;
    case SampleType::UInt16: values[0] = 65535; break;
    case SampleType::Int16: values[0] = 32767; values[1] = -32768; break;
    case SampleType::UInt32: values[0] = 4294967295.0; break;
    case SampleType::Int32: values[0] = 2147483647.0; values[1] = -2147483648.0; break;
    case SampleType::Float32: values[0] = 3.0e38; values[1] = -3.0e38; values[2] = std::nan(""); break;
    case SampleType::Float64: values[0] = 1.0e300; values[1] = -1.0e300; values[2] = std::nan(""); break;
    }
    return values;
}

int TestImportFormats::expectedHounsfield(double value)
{
    if (std::isnan(value))
        return 0;
    return int(qBound(0.0, value + 1024.0, 4095.0));
}

ImportRequest TestImportFormats::hounsfieldRequest(const QString &input) const
{
    ImportRequest request;
    request.input = input;
    request.output = dir.filePath(QStringLiteral("out.dat"));
    request.mapping = MappingKind::Hounsfield;
    return request;
}

void TestImportFormats::importAndCheck(const ImportRequest &request, SampleType type, double slope, double intercept)
{
    try {
        importVolume(request);
    } catch (const ImportError &error) {
        QFAIL(qPrintable(error.message()));
    }
    const Dat dat = readDat(request.output);
    QVERIFY(dat.ok);
    QCOMPARE(dat.sizes[0], 3);
    QCOMPARE(dat.sizes[1], 4);
    QCOMPARE(dat.sizes[2], 5);
    const QVector<double> values = storedValues(type);
    for (int i = 0; i < count; ++i) {
        if (dat.samples[i] != expectedHounsfield(slope * values[i] + intercept))
            QFAIL(qPrintable(QStringLiteral("voxel %1: %2, expected %3")
                                 .arg(i)
                                 .arg(dat.samples[i])
                                 .arg(expectedHounsfield(slope * values[i] + intercept))));
    }
}

void TestImportFormats::nifti_data()
{
    addTypeRows({QStringLiteral("nii"), QStringLiteral("nii.gz"), QStringLiteral("scaled")});
}

// The scaled rows store 2 * value - 3 through slope 2 and intercept -3.
void TestImportFormats::nifti()
{
    QFETCH(QString, variant);
    QFETCH(SampleType, type);
    QFETCH(bool, bigEndian);
    const QByteArray samples = encodeSamples(storedValues(type), type, bigEndian);
    const bool scaled = variant == QLatin1String("scaled");
    const QByteArray file = VolumeFiles::nifti(sizes, type, bigEndian, samples, scaled ? 2.0 : 0.0, scaled ? -3.0 : 0.0);
    const bool compressed = variant == QLatin1String("nii.gz");
    const QString path = dir.filePath(compressed ? QStringLiteral("in.nii.gz") : QStringLiteral("in.nii"));
    QVERIFY(writeFile(path, compressed ? gzip(file) : file));
    importAndCheck(path, type, scaled ? 2.0 : 1.0, scaled ? -3.0 : 0.0);
}

void TestImportFormats::nrrd_data()
{
    addTypeRows({QStringLiteral("raw attached"), QStringLiteral("gzip attached"), QStringLiteral("raw detached"),
                 QStringLiteral("gzip detached")});
}

void TestImportFormats::nrrd()
{
    QFETCH(QString, variant);
    QFETCH(SampleType, type);
    QFETCH(bool, bigEndian);
    const char *typeNames[] = {"unsigned char", "signed char", "ushort", "short", "uint", "int32_t", "float", "double"};
    const bool compressed = variant.startsWith(QLatin1String("gzip"));
    const bool detached = variant.endsWith(QLatin1String("detached"));
    QByteArray data = encodeSamples(storedValues(type), type, bigEndian);
    if (compressed)
        data = gzip(data);
    QByteArray header = QByteArray("NRRD0004\n# written by a test\ntype: ") + typeNames[int(type)]
                        + "\ndimension: 3\nspace: left-posterior-superior\nsizes: 3 4 5\nendian: "
                        + (bigEndian ? "big" : "little") + "\nencoding: " + (compressed ? "gzip" : "raw")
                        + "\ncreator:=a test: with colons\n";
    const QString path = dir.filePath(detached ? QStringLiteral("in.nhdr") : QStringLiteral("in.nrrd"));
    if (detached) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("in.data")), data));
        QVERIFY(writeFile(path, header + "data file: in.data\n"));
    } else {
        QVERIFY(writeFile(path, header + "\n" + data));
    }
    importAndCheck(path, type);
}

void TestImportFormats::metaImage_data()
{
    addTypeRows({QStringLiteral("mha"), QStringLiteral("mha compressed"), QStringLiteral("mhd"),
                 QStringLiteral("mhd compressed")});
}

void TestImportFormats::metaImage()
{
    QFETCH(QString, variant);
    QFETCH(SampleType, type);
    QFETCH(bool, bigEndian);
    const char *typeNames[] = {"MET_UCHAR", "MET_CHAR", "MET_USHORT", "MET_SHORT", "MET_UINT", "MET_INT", "MET_FLOAT", "MET_DOUBLE"};
    const bool compressed = variant.endsWith(QLatin1String("compressed"));
    const bool local = variant.startsWith(QLatin1String("mha"));
    QByteArray data = encodeSamples(storedValues(type), type, bigEndian);
    if (compressed)
        data = zlib(data);
    const QByteArray header = QByteArray("ObjectType = Image\r\nNDims = 3\r\nBinaryData = True\r\nBinaryDataByteOrderMSB = ")
                              + (bigEndian ? "True" : "False") + "\r\nCompressedData = " + (compressed ? "True" : "False")
                              + "\r\nElementSpacing = 1 1 1.5\r\nDimSize = 3 4 5\r\nElementType = " + typeNames[int(type)]
                              + "\r\nElementDataFile = " + (local ? "LOCAL" : "in.raw") + "\r\n";
    const QString path = dir.filePath(local ? QStringLiteral("in.mha") : QStringLiteral("in.mhd"));
    if (local) {
        QVERIFY(writeFile(path, header + data));
    } else {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("in.raw")), data));
        QVERIFY(writeFile(path, header));
    }
    importAndCheck(path, type);
}

void TestImportFormats::invesalius_data()
{
    addTypeRows({QStringLiteral("plist first"), QStringLiteral("matrix first")}, false);
}

// InVesalius writes NumPy arrays in the machine's order, little-endian; the shape lists z
// first, so 3 x 4 x 5 appears as (5, 4, 3).
void TestImportFormats::invesalius()
{
    QFETCH(QString, variant);
    QFETCH(SampleType, type);
    const int shape[3] = {5, 4, 3};
    const QPair<QString, QByteArray> plist{QStringLiteral("tmpabc/main.plist"),
                                           invesaliusPlist(QStringLiteral("matrix.dat"), shape, sampleTypeName(type))};
    const QPair<QString, QByteArray> matrix{QStringLiteral("tmpabc/matrix.dat"), encodeSamples(storedValues(type), type, false)};
    const QPair<QString, QByteArray> mask{QStringLiteral("tmpabc/mask_0.dat"), QByteArray(777, '\x7f')};
    const QByteArray archive = variant == QLatin1String("plist first") ? tar({plist, mask, matrix}) : tar({matrix, mask, plist});
    const QString path = dir.filePath(QStringLiteral("in.inv3"));
    QVERIFY(writeFile(path, gzip(archive)));
    importAndCheck(path, type);
}

void TestImportFormats::raw_data()
{
    addTypeRows({QStringLiteral("raw")});
}

void TestImportFormats::raw()
{
    QFETCH(SampleType, type);
    QFETCH(bool, bigEndian);
    const QString path = dir.filePath(QStringLiteral("in.bin"));
    QVERIFY(writeFile(path, QByteArray(10, 'h') + encodeSamples(storedValues(type), type, bigEndian)));
    ImportRequest request = hounsfieldRequest(path);
    request.raw = RawLayout{{3, 4, 5}, type, bigEndian, 10};
    importAndCheck(request, type);
}

void TestImportFormats::placement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("dataFile");

    const QByteArray samples = encodeSamples(storedValues(SampleType::Int16), SampleType::Int16, false);
    const QByteArray nrrd("NRRD0005\ntype: int16\ndimension: 3\nsizes: 3 4 5\nendian: little\n");
    QTest::newRow("nrrd line and byte skip") << "in.nhdr" << nrrd + "encoding: raw\nline skip: 2\nbyte skip: 3\ndata file: d\n"
                                             << QByteArray("one\ntwo\nabc") + samples;
    QTest::newRow("nrrd byte skip -1") << "in.nhdr" << nrrd + "encoding: raw\nbyte skip: -1\ndata file: d\n"
                                       << QByteArray(33, 'x') + samples;
    QTest::newRow("nrrd gzip byte skip") << "in.nhdr" << nrrd + "encoding: gz\nbyteskip: 5\ndatafile: d\n"
                                         << gzip(QByteArray(5, 'x') + samples);
    QTest::newRow("nrrd gzip line skip") << "in.nhdr" << nrrd + "encoding: gzip\nlineskip: 1\ndata file: d\n"
                                         << QByteArray("text line\n") + gzip(samples);
    QTest::newRow("nrrd gzip members") << "in.nhdr" << nrrd + "encoding: gzip\ndata file: d\n"
                                       << gzip(samples.left(41)) + gzip(samples.mid(41));
    QTest::newRow("nrrd attached line skip") << "in.nrrd" << nrrd + "encoding: raw\nline skip: 1\n\nskipped\n" + samples
                                             << QByteArray();
    const QByteArray mhd("NDims = 3\nDimSize = 3 4 5\nElementType = MET_SHORT\n");
    QTest::newRow("mhd header size") << "in.mhd" << mhd + "HeaderSize = 7\nElementDataFile = d\n"
                                     << QByteArray(7, 'x') + samples;
    QTest::newRow("mhd header size -1") << "in.mhd" << mhd + "HeaderSize = -1\nElementDataFile = d\n"
                                        << QByteArray(99, 'x') + samples;
    QTest::newRow("nii vox_offset beyond the header")
        << "in.nii" << VolumeFiles::nifti(sizes, SampleType::Int16, false, samples, 0.0, 0.0, 400) << QByteArray();
    QTest::newRow("nii.gz vox_offset beyond the header")
        << "in.nii.gz" << gzip(VolumeFiles::nifti(sizes, SampleType::Int16, false, samples, 0.0, 0.0, 416)) << QByteArray();
}

// Where the samples start in each format's less common layouts; int16 little-endian.
void TestImportFormats::placement()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, dataFile);
    QVERIFY(writeFile(dir.filePath(name), header));
    if (!dataFile.isEmpty())
        QVERIFY(writeFile(dir.filePath(QStringLiteral("d")), dataFile));
    importAndCheck(dir.filePath(name), SampleType::Int16);
}

QTEST_GUILESS_MAIN(TestImportFormats)
#include "tst_importformats.moc"
