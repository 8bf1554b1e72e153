#include "VolumeFiles.h"
#include "VolumeImport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace VolumeFiles;

Q_DECLARE_METATYPE(SampleType)

// Every format and sample type converts a 3 x 4 x 5 volume voxel for voxel. The stored
// values start with the extremes of the type (and a NaN for floats), so that wide values
// clip instead of wrapping, then ramp across zero for signed types. DICOM comes from
// files other tools wrote and from series the test writes with pydicom.
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
    void spacing_data();
    void spacing();
    void frame_data();
    void frame();
    void dicomFiles_data();
    void dicomFiles();
    void dicomMultiFrame();
    void dicomSeries_data();
    void dicomSeries();
    void dicomNamedFile_data();
    void dicomNamedFile();
    void progressAndCancel();

private:
    static constexpr int sizes[3] = {3, 4, 5};
    static constexpr int count = 3 * 4 * 5;

    static void addTypeRows(const QStringList &variants, bool bothByteOrders = true);
    static QVector<double> storedValues(SampleType type);
    static int expectedHounsfield(double value);
    static QByteArray niftiPairHeader();
    static uint32_t floatBits(double value);
    static QByteArray niftiPlaced(int qformCode, int sformCode, const QVector<double> &numbers);
    static void compareFrame(const PatientFrame &frame, const QVector<double> &axes, const QVector<double> &origin);
    QString writeSeries(const QString &kind);
    QString copyAlone(const QString &file);
    static ImportResult importOrFail(const QString &input, const ImportOptions &options);
    void importAndCheck(const QString &input, SampleType type, double slope = 1.0, double intercept = 0.0,
                        ImportOptions options = ImportOptions(), bool nanReadsAsZero = false);

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

ImportResult TestImportFormats::importOrFail(const QString &input, const ImportOptions &options)
{
    ImportResult result = importVolume(input.toStdString(), options);
    if (!result.ok())
        qWarning("%s", result.refusal.c_str());
    return result;
}

void TestImportFormats::importAndCheck(const QString &input, SampleType type, double slope, double intercept, ImportOptions options,
                                       bool nanReadsAsZero)
{
    options.mapping = MappingKind::Hounsfield;
    const ImportResult result = importOrFail(input, options);
    QVERIFY(result.ok());
    QCOMPARE(result.sizeX, 3);
    QCOMPARE(result.sizeY, 4);
    QCOMPARE(result.sizeZ, 5);
    QCOMPARE(int(result.samples.size()), count);
    QVector<double> values = storedValues(type);
    if (nanReadsAsZero)
        std::replace_if(values.begin(), values.end(), [](double value) { return std::isnan(value); }, 0.0);
    for (int i = 0; i < count; ++i) {
        if (result.samples[i] != expectedHounsfield(slope * values[i] + intercept))
            QFAIL(qPrintable(QStringLiteral("voxel %1: %2, expected %3")
                                 .arg(i)
                                 .arg(result.samples[i])
                                 .arg(expectedHounsfield(slope * values[i] + intercept))));
    }
}

uint32_t TestImportFormats::floatBits(double value)
{
    const float f = float(value);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The header of a .hdr/.img pair: magic "ni1", samples from byte 0 of the .img.
QByteArray TestImportFormats::niftiPairHeader()
{
    QByteArray header = VolumeFiles::nifti(sizes, SampleType::Int16, false, QByteArray()).left(348);
    header.replace(344, 4, QByteArray("ni1\0", 4));
    putNumber(&header, 108, 0, 4, false);
    return header;
}

void TestImportFormats::nifti_data()
{
    addTypeRows({QStringLiteral("nii"), QStringLiteral("nii.gz"), QStringLiteral("scaled"), QStringLiteral("nii2"),
                 QStringLiteral("nii2.gz scaled")});
}

// The scaled rows store 2 * value - 3 through slope 2 and intercept -3. ITK's NIfTI reader
// turns NaN into 0 before the scaling. NIfTI-2 differs in its header only.
void TestImportFormats::nifti()
{
    QFETCH(QString, variant);
    QFETCH(SampleType, type);
    QFETCH(bool, bigEndian);
    const QByteArray samples = encodeSamples(storedValues(type), type, bigEndian);
    const bool scaled = variant.endsWith(QLatin1String("scaled"));
    const bool two = variant.startsWith(QLatin1String("nii2"));
    const QByteArray file = (two ? VolumeFiles::nifti2 : VolumeFiles::nifti)(sizes, type, bigEndian, samples, scaled ? 2.0 : 0.0,
                                                                             scaled ? -3.0 : 0.0, two ? 544 : 352);
    const bool compressed = variant.contains(QLatin1String(".gz"));
    const QString path = dir.filePath(compressed ? QStringLiteral("in.nii.gz") : QStringLiteral("in.nii"));
    QVERIFY(writeFile(path, compressed ? gzip(file) : file));
    importAndCheck(path, type, scaled ? 2.0 : 1.0, scaled ? -3.0 : 0.0, ImportOptions(), true);
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
    ImportOptions options;
    options.raw = RawLayout{{3, 4, 5}, type, bigEndian, 10};
    importAndCheck(path, type, 1.0, 0.0, options);
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
    QTest::newRow("hdr and img") << "d.hdr" << niftiPairHeader() << samples;
}

// Where the samples start in each format's less common layouts; int16 little-endian. The
// data file is "d", or "d.img" beside "d.hdr".
void TestImportFormats::placement()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, dataFile);
    QVERIFY(writeFile(dir.filePath(name), header));
    if (!dataFile.isEmpty())
        QVERIFY(writeFile(dir.filePath(name == QLatin1String("d.hdr") ? QStringLiteral("d.img") : QStringLiteral("d")), dataFile));
    importAndCheck(dir.filePath(name), SampleType::Int16);
}

void TestImportFormats::spacing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QVector<int>>("sizes");
    QTest::addColumn<QVector<double>>("spacing");
    QTest::addColumn<bool>("hasSpacing");
    using I = QVector<int>;
    using D = QVector<double>;
    const QByteArray samples(3 * 4 * 5 * 2, '\0');
    QTest::newRow("mha") << "s.mha"
                         << "NDims = 3\nDimSize = 3 4 5\nElementSpacing = 0.5 0.75 2\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + samples
                         << I{3, 4, 5} << D{0.5, 0.75, 2.0} << true;
    QTest::newRow("mha 2-D") << "s.mha"
                             << "NDims = 2\nDimSize = 6 10\nElementSpacing = 0.5 0.25\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + samples
                             << I{6, 10, 1} << D{0.5, 0.25, 1.0} << true;
    QTest::newRow("nrrd") << "s.nrrd"
                          << "NRRD0004\ntype: short\ndimension: 3\nsizes: 3 4 5\nspacings: 0.5 0.75 2\nendian: little\nencoding: raw\n\n" + samples
                          << I{3, 4, 5} << D{0.5, 0.75, 2.0} << true;
    QTest::newRow("nrrd 2-D") << "s.nrrd"
                              << "NRRD0004\ntype: short\ndimension: 2\nsizes: 6 10\nendian: little\nencoding: raw\n\n" + samples
                              << I{6, 10, 1} << D{1.0, 1.0, 1.0} << true;
    QByteArray nifti = VolumeFiles::nifti(sizes, SampleType::Int16, false, samples);
    for (int axis = 0; axis < 3; ++axis)
        putNumber(&nifti, 80 + 4 * axis, floatBits(D{0.5, 0.75, 2.0}[axis]), 4, false);
    QTest::newRow("nii") << "s.nii" << nifti << I{3, 4, 5} << D{0.5, 0.75, 2.0} << true;
    QByteArray flat = nifti;
    putNumber(&flat, 40, 2, 2, false);
    putNumber(&flat, 44, 20, 2, false);
    putNumber(&flat, 46, 1, 2, false);
    QTest::newRow("nii 2-D") << "s.nii" << flat << I{3, 20, 1} << D{0.5, 0.75, 1.0} << true;
    const int shape[3] = {5, 4, 3};
    QTest::newRow("inv3") << "s.inv3"
                          << gzip(tar({{QStringLiteral("p/main.plist"), invesaliusPlist(QStringLiteral("m.dat"), shape, QStringLiteral("int16"))},
                                       {QStringLiteral("p/m.dat"), samples}}))
                          << I{3, 4, 5} << D{0.95, 0.95, 1.5} << true;
}

// The grid and the voxel spacing as each format states them; a 2-D image is one slice.
void TestImportFormats::spacing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QVector<int>, sizes);
    QFETCH(QVector<double>, spacing);
    QFETCH(bool, hasSpacing);
    QVERIFY(writeFile(dir.filePath(name), contents));
    const ImportResult result = importOrFail(dir.filePath(name), ImportOptions());
    QVERIFY(result.ok());
    QCOMPARE((QVector<int>{result.sizeX, result.sizeY, result.sizeZ}), sizes);
    QCOMPARE(result.spacing.known, hasSpacing);
    QCOMPARE(result.spacing.x, spacing[0]);
    QCOMPARE(result.spacing.y, spacing[1]);
    QCOMPARE(result.spacing.z, spacing[2]);
}

// A .nii of int16 zeros with pixdim 0.5, 0.75, 2 and the codes given; `numbers` fill the
// header from the quaternion on (quatern_b, c, d, qoffset_x, y, z, then srow_x, y, z).
QByteArray TestImportFormats::niftiPlaced(int qformCode, int sformCode, const QVector<double> &numbers)
{
    QByteArray file = VolumeFiles::nifti(sizes, SampleType::Int16, false, QByteArray(count * 2, '\0'));
    const double pixdim[4] = {1.0, 0.5, 0.75, 2.0};
    for (int i = 0; i < 4; ++i)
        putNumber(&file, 76 + 4 * i, floatBits(pixdim[i]), 4, false);
    putNumber(&file, 252, uint64_t(qformCode), 2, false);
    putNumber(&file, 254, uint64_t(sformCode), 2, false);
    for (int i = 0; i < numbers.size(); ++i)
        putNumber(&file, 256 + 4 * i, floatBits(numbers[i]), 4, false);
    return file;
}

void TestImportFormats::compareFrame(const PatientFrame &frame, const QVector<double> &axes, const QVector<double> &origin)
{
    for (int i = 0; i < 9; ++i)
        QVERIFY2(std::abs(frame.axes[i / 3][i % 3] - axes[i]) < 1e-5, qPrintable(QStringLiteral("axis %1").arg(i / 3)));
    for (int i = 0; i < 3; ++i)
        QVERIFY2(std::abs(frame.origin[i] - origin[i]) < 1e-4, qPrintable(QStringLiteral("origin %1").arg(i)));
}

void TestImportFormats::frame_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QVector<double>>("axes");
    QTest::addColumn<QVector<double>>("origin");
    using D = QVector<double>;
    // The grid of most rows: x along the patient's back, y towards the head, z to the right.
    const D turned{0, 1, 0, 0, 0, 1, -1, 0, 0};
    const QByteArray samples(count * 2, '\0');
    // RAS columns (0, -0.5, 0), (0, 0, 0.75), (2, 0, 0), offset (5, 6, 7).
    QTest::newRow("nii sform") << "f.nii" << niftiPlaced(0, 1, {0, 0, 0, 0, 0, 0, 0, 0, 2, 5, -0.5, 0, 0, 6, 0, 0.75, 0, 7})
                               << true << turned << D{-5, -6, 7};
    // A quarter turn about z: i along RAS y, j along RAS -x.
    QTest::newRow("nii qform") << "f.nii" << niftiPlaced(1, 0, {0, 0, std::sqrt(0.5), 5, 6, 7}) << true
                               << D{0, -1, 0, 1, 0, 0, 0, 0, 1} << D{-5, -6, 7};
    QTest::newRow("nii no form") << "f.nii" << niftiPlaced(0, 0, {}) << false << D(9) << D(3);
    QByteArray two = VolumeFiles::nifti2(sizes, SampleType::Int16, false, samples);
    putNumber(&two, 348, 1, 4, false);
    // pixdim 0.5, 0.75, 2 and the same sform as above, in doubles.
    const auto putDouble = [&two](int at, double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        putNumber(&two, at, bits, 8, false);
    };
    const D pixdim{0.5, 0.75, 2}, rows{0, 0, 2, 5, -0.5, 0, 0, 6, 0, 0.75, 0, 7};
    for (int i = 0; i < 3; ++i)
        putDouble(112 + 8 * i, pixdim[i]);
    for (int i = 0; i < rows.size(); ++i)
        putDouble(400 + 8 * i, rows[i]);
    QTest::newRow("nii2 sform") << "f.nii" << two << true << turned << D{-5, -6, 7};
    const QByteArray nrrd("NRRD0004\ntype: short\ndimension: 3\nsizes: 3 4 5\nendian: little\nencoding: raw\n");
    const QByteArray directions("space directions: (0,0.5,0) (0,0,0.75) (-2,0,0)\nspace origin: (1,2,3)\n");
    QTest::newRow("nrrd LPS") << "f.nrrd" << nrrd + "space: left-posterior-superior\n" + directions + "\n" + samples << true
                              << turned << D{1, 2, 3};
    QTest::newRow("nrrd RAS") << "f.nrrd" << nrrd + "space: right-anterior-superior\n" + directions + "\n" + samples << true
                              << D{0, -1, 0, 0, 0, 1, 1, 0, 0} << D{-1, -2, 3};
    QTest::newRow("nrrd no space") << "f.nrrd" << nrrd + "spacings: 0.5 0.75 2\n\n" + samples << false << D(9) << D(3);
    const QByteArray mha("NDims = 3\nDimSize = 3 4 5\nElementSpacing = 0.5 0.75 2\nElementType = MET_SHORT\n");
    QTest::newRow("mha") << "f.mha" << mha + "TransformMatrix = 0 1 0 0 0 1 -1 0 0\nOffset = 1 2 3\nElementDataFile = LOCAL\n" + samples
                         << true << turned << D{1, 2, 3};
    QTest::newRow("mha no matrix") << "f.mha" << mha + "ElementDataFile = LOCAL\n" + samples << false << D(9) << D(3);
    // InVesalius keeps axial slices upside down: row 0 is the back of the head.
    const int shape[3] = {5, 4, 3};
    QByteArray plist = invesaliusPlist(QStringLiteral("m.dat"), shape, QStringLiteral("int16"));
    plist.replace("<key>spacing</key>", "<key>orientation</key><integer>1</integer><key>spacing</key>");
    QTest::newRow("inv3 axial") << "f.inv3" << gzip(tar({{QStringLiteral("p/main.plist"), plist}, {QStringLiteral("p/m.dat"), samples}}))
                                << true << D{1, 0, 0, 0, -1, 0, 0, 0, 1} << D{0, 0, 0};
}

// The frame each format states, turned into LPS; where a file states none, none is made up.
void TestImportFormats::frame()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(bool, known);
    QFETCH(QVector<double>, axes);
    QFETCH(QVector<double>, origin);
    QVERIFY(writeFile(dir.filePath(name), contents));
    const ImportResult result = importOrFail(dir.filePath(name), ImportOptions());
    QVERIFY(result.ok());
    QCOMPARE(result.frame.known, known);
    if (known)
        compareFrame(result.frame, axes, origin);
}

void TestImportFormats::dicomFiles_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file : {"MR_small_implicit.dcm", "MR_small_bigendian.dcm", "MR_small_expb.dcm", "MR_small_RLE.dcm",
                             "MR_small_jp2klossless.dcm", "MR_small_jpeg_ls_lossless.dcm"})
        QTest::newRow(file) << QString::fromLatin1(file);
}

// The same image in other transfer syntaxes, compressed or not, gives the same samples as
// the plain one; and CT comes out in Hounsfield units (values checked with pydicom).
void TestImportFormats::dicomFiles()
{
    QFETCH(QString, file);
    const QDir files(QStringLiteral("/usr/lib/python3/dist-packages/pydicom/data/test_files"));
    if (!files.exists(QStringLiteral("CT_small.dcm")))
        QSKIP("the package python3-pydicom is not installed");
    const ImportResult plain = importOrFail(copyAlone(files.filePath(QStringLiteral("MR_small.dcm"))), ImportOptions());
    const ImportResult other = importOrFail(copyAlone(files.filePath(file)), ImportOptions());
    QVERIFY(plain.ok() && other.ok());
    QCOMPARE(other.format, std::string("DICOM"));
    QCOMPARE((QVector<int>{other.sizeX, other.sizeY, other.sizeZ}), (QVector<int>{64, 64, 1}));
    QVERIFY(other.samples == plain.samples);

    const ImportResult ct = importOrFail(copyAlone(files.filePath(QStringLiteral("CT_small.dcm"))), ImportOptions());
    QVERIFY(ct.ok());
    QCOMPARE(ct.mapping.kind, MappingKind::Hounsfield);
    QCOMPARE(ct.lowestValue, -896.0);
    QCOMPARE(ct.highestValue, 1167.0);
    QCOMPARE(ct.spacing.x, 0.661468);
    QCOMPARE(int(ct.samples[0]), -849 + 1024);
    QCOMPARE(int(ct.samples[64 * 128 + 70]), 464 + 1024);
    QCOMPARE(int(ct.samples[127 * 128 + 3]), -115 + 1024);
}

// A copy in a folder of its own: opening a file looks through its folder for the rest of
// its series, and pydicom's folder holds many files of other kinds.
QString TestImportFormats::copyAlone(const QString &file)
{
    const QString folder = dir.filePath(QFileInfo(file).baseName());
    QDir().mkpath(folder);
    const QString copy = QDir(folder).filePath(QFileInfo(file).fileName());
    QFile::copy(file, copy);
    return copy;
}

// A multi-frame file is a volume of its frames.
void TestImportFormats::dicomMultiFrame()
{
    const QString file = QStringLiteral("/usr/lib/python3/dist-packages/pydicom/data/test_files/rtdose.dcm");
    if (!QFile::exists(file))
        QSKIP("the package python3-pydicom is not installed");
    const ImportResult dose = importOrFail(copyAlone(file), ImportOptions());
    QVERIFY(dose.ok());
    QCOMPARE((QVector<int>{dose.sizeX, dose.sizeY, dose.sizeZ}), (QVector<int>{10, 10, 15}));
    QCOMPARE(int(dose.files.size()), 1);
}

QString TestImportFormats::writeSeries(const QString &kind)
{
    const QString folder = dir.filePath(QStringLiteral("series-") + kind);
    QDir().mkpath(folder);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(MAKE_DICOM_SERIES_PATH), kind, folder});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return QString();
    return folder;
}

void TestImportFormats::dicomSeries_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("note");
    QTest::newRow("unsigned, folder") << "unsigned" << "" << "";
    QTest::newRow("signed, folder") << "signed" << "" << "";
    QTest::newRow("signed, one file of it") << "signed" << "s62_0.dcm" << "";
    QTest::newRow("two series") << "twoseries" << "" << "opened series 1 (body, 6 images) of 2; the others: 2 (scout, 3 images)";
    QTest::newRow("tilted") << "tilted" << "s62_0.dcm" << "the orientation is oblique: the grid's axes lie up to 30.0 degrees off";
}

// A series of shuffled files opens in the order of its slice positions, in Hounsfield
// units whichever way its samples are stored, with its voxel spacing and its place in the
// patient: the planes' axes, stacked along their normal from the first slice.
void TestImportFormats::dicomSeries()
{
    QFETCH(QString, kind);
    QFETCH(QString, open);
    QFETCH(QString, note);
    const QString folder = writeSeries(kind);
    if (folder.isEmpty())
        QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the series");
    const ImportResult result = importOrFail(open.isEmpty() ? folder : QDir(folder).filePath(open), ImportOptions());
    QVERIFY(result.ok());
    QCOMPARE((QVector<int>{result.sizeX, result.sizeY, result.sizeZ}), (QVector<int>{8, 5, 6}));
    QCOMPARE(result.spacing.x, 0.5);
    QCOMPARE(result.spacing.y, 0.75);
    QCOMPARE(result.spacing.z, 2.5);
    QVERIFY(result.spacing.known);
    QCOMPARE(result.mapping.kind, MappingKind::Hounsfield);
    QCOMPARE(int(result.files.size()), 6);
    QVERIFY(result.frame.known);
    const double tilt = kind == QLatin1String("tilted") ? M_PI / 6 : 0.0;
    compareFrame(result.frame, {1, 0, 0, 0, std::cos(tilt), std::sin(tilt), 0, -std::sin(tilt), std::cos(tilt)}, {-10, 20, 30});
    for (int z = 0, i = 0; z < 6; ++z) {
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 8; ++x, ++i)
                QCOMPARE(int(result.samples[i]), 200 * z + 10 * y + x - 1000 + 1024);
        }
    }
    QCOMPARE(result.notes.empty(), note.isEmpty());
    if (!note.isEmpty())
        QVERIFY2(QString::fromStdString(result.notes.front()).contains(note), result.notes.front().c_str());
}

void TestImportFormats::dicomNamedFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("slices");
    QTest::addColumn<QStringList>("notes");
    const QString alone = QStringLiteral("s90_1.dcm: opened alone: the %1 files of its series make no volume with it: ");
    QTest::newRow("file of another kind with the series' UID") << "intruder" << 6
                                                               << QStringList{"s90_1.dcm: left out of its series: u.dcm (samples of another type)"};
    QTest::newRow("cut-short slice") << "cut" << 1
                                     << QStringList{"s90_1.dcm: left out of its series: s62_0.dcm (its pixel data holds 70 of the 80 bytes",
                                                    alone.arg(5) + "the slices are unevenly spaced"};
    QTest::newRow("slice of another size") << "sizes" << 1
                                           << QStringList{"s90_1.dcm: left out of its series: s76_5.dcm (6 x 5 pixels, not 8 x 5)", alone.arg(5)};
    QTest::newRow("missing slice") << "missing" << 1 << QStringList{alone.arg(5) + "the slices are unevenly spaced"};
}

// One file of a series named by the user opens the slices that agree with it, or itself
// alone; what was left out is named, never silently merged or refused.
void TestImportFormats::dicomNamedFile()
{
    QFETCH(QString, kind);
    QFETCH(int, slices);
    QFETCH(QStringList, notes);
    const QString folder = writeSeries(kind);
    if (folder.isEmpty())
        QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the series");
    const ImportResult result = importOrFail(QDir(folder).filePath(QStringLiteral("s90_1.dcm")), ImportOptions());
    QVERIFY(result.ok());
    QCOMPARE((QVector<int>{result.sizeX, result.sizeY, result.sizeZ}), (QVector<int>{8, 5, slices}));
    QCOMPARE(int(result.files.size()), slices);
    for (int y = 0, i = 0; y < 5; ++y) {
        for (int x = 0; x < 8; ++x, ++i)
            QCOMPARE(int(result.samples[i]), 10 * y + x - 1000 + 1024);
    }
    QCOMPARE(int(result.notes.size()), notes.size());
    for (int i = 0; i < notes.size(); ++i)
        QVERIFY2(QString::fromStdString(result.notes[i]).startsWith(QDir(folder).filePath(notes[i])), result.notes[i].c_str());
}

// The import reports rising fractions up to 1 and stops, between slabs, when asked.
void TestImportFormats::progressAndCancel()
{
    const QString path = dir.filePath(QStringLiteral("big.raw"));
    QVERIFY(writeFile(path, QByteArray(256 * 256 * 64, '\x10')));
    ImportOptions options;
    options.raw = RawLayout{{256, 256, 64}, SampleType::UInt8, false, 0};
    QVector<double> heard;
    const ImportProgress listened([&heard](double fraction) { heard << fraction; });
    QVERIFY(importVolume(path.toStdString(), options, listened).ok());
    QVERIFY(heard.size() > 3);
    QVERIFY(std::is_sorted(heard.cbegin(), heard.cend()));
    QCOMPARE(heard.last(), 1.0);

    ImportProgress *stopping = nullptr;
    ImportProgress cancelling([&stopping](double fraction) {
        if (fraction > 0.5)
            stopping->cancel();
    });
    stopping = &cancelling;
    const ImportResult cancelled = importVolume(path.toStdString(), options, cancelling);
    QVERIFY(cancelled.cancelled);
    QCOMPARE(cancelled.refusal, path.toStdString() + ": opening cancelled");
    QVERIFY(cancelled.samples.empty());
}

QTEST_GUILESS_MAIN(TestImportFormats)
#include "tst_importformats.moc"
