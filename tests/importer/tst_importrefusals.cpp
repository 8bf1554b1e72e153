#include "DatWriter.h"
#include "ImportError.h"
#include "VolumeFiles.h"
#include "VolumeImport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace VolumeFiles;

// Inputs the importer cannot convert are refused with one line that names the path and
// the problem, before anything large is allocated, and the input files stay as they were.
class TestImportRefusals : public QObject
{
    Q_OBJECT

private slots:
    void headers_data();
    void headers();
    void raw_data();
    void raw();
    void dicom_data();
    void dicom();
    void access_data();
    void access();
    void limits_data();
    void limits();
    void unwritableOutput();

private:
    static void addNiftiRows();
    static void addNrrdRows();
    static void addMetaImageRows();
    static void addInvesaliusRows();
    void expectRefusal(const QString &input, const ImportOptions &options, const QString &reason);

    QTemporaryDir dir;
};

namespace {

const int smallSizes[3] = {3, 4, 5};

QByteArray goodNiftiHeader()
{
    return nifti(smallSizes, SampleType::Int16, false, QByteArray(120, '\0'));
}

QByteArray patched(QByteArray bytes, int offset, uint64_t value, int size)
{
    putNumber(&bytes, offset, value, size, false);
    return bytes;
}

// Bytes that deflate cannot shrink, so that cutting the compressed file cuts the data.
QByteArray noise(int size)
{
    QByteArray bytes(size, '\0');
    uint32_t state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 24);
    }
    return bytes;
}

QByteArray invesalius(const QList<QPair<QString, QByteArray>> &members)
{
    return gzip(tar(members));
}

QPair<QString, QByteArray> plistMember(const QByteArray &contents)
{
    return {QStringLiteral("p/main.plist"), contents};
}

QByteArray plistWithMatrix(const QByteArray &matrixDict)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>matrix</key>" + matrixDict + "</dict></plist>";
}

} // namespace

void TestImportRefusals::addNiftiRows()
{
    const QByteArray good = goodNiftiHeader();
    QTest::newRow("nii not NIfTI") << "a.nii" << noise(600) << QByteArray() << "a.nii: not a NIfTI file ITK can read";
    QTest::newRow("nii negative size") << "a.nii" << patched(good, 44, uint16_t(-4), 2) << QByteArray() << "a.nii: dim[2] = -4 is not a size";
    QTest::newRow("nii 4D") << "a.nii" << patched(patched(good, 40, 4, 2), 48, 2, 2) << QByteArray()
                            << "holds 2 volumes along its axis 4";
    QTest::newRow("nii complex") << "a.nii" << patched(patched(good, 70, 32, 2), 72, 64, 2) << QByteArray() << "only scalar images";
    const int wide[3] = {40000, 1, 1};
    QTest::newRow("nii2 beyond 16 bits") << "a.nii" << nifti2(wide, SampleType::Int16, false, QByteArray(120, '\0')) << QByteArray()
                                         << "a.nii: dim[1] = 40000 is beyond the sizes this reader takes (32767)";
    QTest::newRow("nii short data") << "a.nii" << good.left(400) << QByteArray()
                                    << "holds 48 bytes of samples after byte 352; the sizes need 120";
    // 32767^3 voxels are more than a volume holds; 3000 x 3000 x 200 more than 400 bytes hold.
    const QByteArray huge = patched(patched(patched(good, 42, 32767, 2), 44, 32767, 2), 46, 32767, 2).left(400);
    QTest::newRow("nii huge sizes") << "a.nii" << huge << QByteArray() << "a volume can count";
    const QByteArray large = patched(patched(patched(good, 42, 3000, 2), 44, 3000, 2), 46, 200, 2).left(400);
    QTest::newRow("nii large sizes") << "a.nii" << large << QByteArray() << "400 bytes on disk cannot hold";
    QTest::newRow("nii.gz large sizes") << "a.nii.gz" << gzip(large) << QByteArray() << "bytes on disk cannot hold";
    QTest::newRow("nii.gz truncated") << "a.nii.gz" << gzip(good + noise(2000)).left(1000) << QByteArray()
                                      << "the compressed data ends after";
    QByteArray corrupt = gzip(good);
    corrupt[corrupt.size() - 6] = char(corrupt[corrupt.size() - 6] ^ 0x55);
    QTest::newRow("nii.gz corrupt") << "a.nii.gz" << corrupt << QByteArray() << "the compressed data is corrupt";
}

void TestImportRefusals::addNrrdRows()
{
    const QByteArray head("NRRD0004\ntype: short\ndimension: 3\n");
    const QByteArray tail("endian: little\nencoding: raw\n\n");
    const QByteArray data(120, '\0');
    QTest::newRow("nrrd 4D") << "a.nrrd" << "NRRD0004\ntype: short\ndimension: 4\nsizes: 3 4 5 2\n" + tail + data + data
                             << QByteArray() << "holds 2 volumes along its axis 4";
    QTest::newRow("nrrd zero size") << "a.nrrd" << head + "sizes: 3 0 5\n" + tail + data << QByteArray() << "a.nrrd: ";
    QTest::newRow("nrrd negative size") << "a.nrrd" << head + "sizes: 3 -4 5\n" + tail + data << QByteArray() << "a.nrrd: ";
    QTest::newRow("nrrd size beyond 65535") << "a.nrrd" << head + "sizes: 3 70000 5\n" + tail + data << QByteArray()
                                            << "exceed 16 bits";
    QTest::newRow("nrrd over the voxel limit") << "a.nrrd" << head + "sizes: 65534 65534 2\n" + tail + data << QByteArray()
                                               << "a volume can count";
    QTest::newRow("nrrd type") << "a.nrrd" << "NRRD0004\ntype: block\ndimension: 3\nsizes: 3 4 5\n" + tail + data
                               << QByteArray() << "a.nrrd: ";
    QTest::newRow("nrrd short data") << "a.nrrd" << head + "sizes: 3 4 5\n" + tail + data.left(100) << QByteArray()
                                     << "fread got only 50";
    QTest::newRow("nrrd missing data file") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: raw\ndata file: gone\n"
                                            << QByteArray() << "a.nhdr: ";
    QTest::newRow("nrrd gzip short") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: gzip\ndata file: d\n"
                                     << gzip(data.left(60)) << "expected 120 bytes but received 60";
    QByteArray corrupt = gzip(noise(120));
    corrupt[30] = char(corrupt[30] ^ 0x55);
    QTest::newRow("nrrd gzip corrupt") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: gzip\ndata file: d\n"
                                       << corrupt << "a.nhdr: ";
}

void TestImportRefusals::addMetaImageRows()
{
    const QByteArray head("ObjectType = Image\nNDims = 3\nDimSize = 3 4 5\n");
    const QByteArray data(120, '\0');
    QTest::newRow("mha channels") << "a.mha" << head + "ElementNumberOfChannels = 3\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data + data + data
                                  << QByteArray() << "holds 3 values per voxel";
    QTest::newRow("mha short data") << "a.mha" << head + "ElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data.left(100)
                                    << QByteArray() << "holds 100 bytes of samples after byte 93; the sizes need 120";
    QTest::newRow("mha not zlib") << "a.mha" << head + "CompressedData = True\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + QByteArray(100, '\xff')
                                  << QByteArray() << "the compressed data is corrupt";
    QTest::newRow("mha compressed short") << "a.mha" << head + "CompressedData = True\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + zlib(data.left(50))
                                          << QByteArray() << "the compressed data holds 50 bytes; the sizes need 120";
    QTest::newRow("mha huge sizes") << "a.mha" << "NDims = 3\nDimSize = 1000 1000 1000\nElementType = MET_DOUBLE\nElementDataFile = LOCAL\n" + data
                                    << QByteArray() << "bytes on disk cannot hold the 8000000000 bytes";
    QTest::newRow("mha absurd dimensions") << "a.mha" << "NDims = 8888888888888888888 3\nDimSize = 3 4 5\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data
                                           << QByteArray() << "NDims \"8888888888888888888\" is no number of dimensions from 1 to 10";
    QTest::newRow("mha negative size") << "a.mha" << "NDims = 3\nDimSize = 3 -4 5\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data
                                       << QByteArray() << "exceed 16 bits";
    QTest::newRow("mhd data file pattern") << "a.mhd" << head + "ElementType = MET_SHORT\nElementDataFile = x%s%n.raw 1 5 1\n" << QByteArray()
                                           << "ElementDataFile \"x%s%n.raw 1 5 1\" is neither a file name nor a numbered pattern";
    QTest::newRow("mhd data file short") << "a.mhd" << head + "ElementType = MET_SHORT\nElementDataFile = d\n" << data.left(7)
                                         << "/d: holds 7 bytes of samples after byte 0; the sizes need 120";
}

void TestImportRefusals::addInvesaliusRows()
{
    const int shape[3] = {5, 4, 3};
    const QPair<QString, QByteArray> matrix{QStringLiteral("p/matrix.dat"), QByteArray(120, '\0')};
    const QByteArray goodPlist = invesaliusPlist(QStringLiteral("matrix.dat"), shape, QStringLiteral("int16"));
    const int negativeShape[3] = {-108, 256, 256};
    QTest::newRow("inv3 not gzip") << "a.inv3" << tar({matrix}) << QByteArray() << "not an InVesalius project (not gzip-compressed)";
    QTest::newRow("inv3 not tar") << "a.inv3" << gzip(QByteArray(1024, 'z')) << QByteArray() << "not a readable InVesalius project";
    QTest::newRow("inv3 negative shape") << "a.inv3" << invesalius({plistMember(invesaliusPlist(QStringLiteral("matrix.dat"), negativeShape, QStringLiteral("int16"))), matrix})
                                         << QByteArray() << "a.inv3 main.plist: the matrix shape entry -108 is not a size";
    QTest::newRow("inv3 no plist") << "a.inv3" << invesalius({matrix}) << QByteArray() << "no main.plist";
    QTest::newRow("inv3 deep plist only") << "a.inv3" << invesalius({{QStringLiteral("a/b/main.plist"), goodPlist}, matrix})
                                          << QByteArray() << "no main.plist";
    QTest::newRow("inv3 no matrix entry") << "a.inv3" << invesalius({plistMember("<plist><dict><key>x</key><string>y</string></dict></plist>"), matrix})
                                          << QByteArray() << "no matrix entry";
    QTest::newRow("inv3 broken xml") << "a.inv3" << invesalius({plistMember("<plist><dict><key>matrix</key><dict>"), matrix})
                                     << QByteArray() << "not a property list";
    QTest::newRow("inv3 nested arrays") << "a.inv3" << invesalius({plistMember("<plist>" + QByteArray(100 * 7, 'x').replace("xxxxxxx", "<array>") + "</plist>"), matrix})
                                        << QByteArray() << "nested deeper than 64 levels";
    QTest::newRow("inv3 shape") << "a.inv3" << invesalius({plistMember(plistWithMatrix("<dict><key>filename</key><string>matrix.dat</string>"
                                                                                       "<key>dtype</key><string>int16</string><key>shape</key>"
                                                                                       "<array><integer>4</integer><integer>3</integer></array></dict>")), matrix})
                                << QByteArray() << "the matrix shape has 2 entries, not 3";
    QTest::newRow("inv3 no file name") << "a.inv3" << invesalius({plistMember(plistWithMatrix("<dict><key>dtype</key><string>int16</string></dict>")), matrix})
                                       << QByteArray() << "the matrix entry names no file";
    QTest::newRow("inv3 dtype") << "a.inv3" << invesalius({plistMember(invesaliusPlist(QStringLiteral("matrix.dat"), shape, QStringLiteral("complex64"))), matrix})
                                << QByteArray() << "dtype \"complex64\" is not supported";
    QTest::newRow("inv3 matrix missing") << "a.inv3" << invesalius({plistMember(goodPlist)}) << QByteArray()
                                         << "p/matrix.dat, named in main.plist, is missing";
    QTest::newRow("inv3 matrix short") << "a.inv3" << invesalius({plistMember(goodPlist), {QStringLiteral("p/matrix.dat"), QByteArray(10, '\0')}})
                                       << QByteArray() << "p/matrix.dat holds 10 bytes; its shape needs 120";
    const int bigShape[3] = {50, 40, 25};
    const QByteArray bigPlist = invesaliusPlist(QStringLiteral("matrix.dat"), bigShape, QStringLiteral("int16"));
    QTest::newRow("inv3 truncated") << "a.inv3" << invesalius({plistMember(bigPlist), {QStringLiteral("p/matrix.dat"), noise(100000)}}).left(5000)
                                    << QByteArray() << "a.inv3: ";
    QByteArray corrupt = invesalius({plistMember(bigPlist), {QStringLiteral("p/matrix.dat"), noise(100000)}});
    corrupt[3000] = char(corrupt[3000] ^ 0x55);
    QTest::newRow("inv3 corrupt") << "a.inv3" << corrupt << QByteArray() << "a.inv3: ";
}

void TestImportRefusals::headers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<QString>("reason");
    addNiftiRows();
    addNrrdRows();
    addMetaImageRows();
    addInvesaliusRows();
    QTest::newRow("unknown format") << "a.png" << QByteArray("\x89PNG") << QByteArray() << "a.png: unknown format";
    QTest::newRow("missing input") << "nothing.nii" << QByteArray() << QByteArray() << "nothing.nii: cannot open";
    QTest::newRow("missing folder or file") << "nothing" << QByteArray() << QByteArray() << "nothing: cannot open";
}

void TestImportRefusals::headers()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QByteArray, dataFile);
    QFETCH(QString, reason);
    if (!contents.isEmpty())
        QVERIFY(writeFile(dir.filePath(name), contents));
    if (!dataFile.isEmpty())
        QVERIFY(writeFile(dir.filePath(QStringLiteral("d")), dataFile));
    expectRefusal(dir.filePath(name), ImportOptions(), reason);
}

void TestImportRefusals::raw_data()
{
    QTest::addColumn<quint64>("sizeX");
    QTest::addColumn<quint64>("sizeY");
    QTest::addColumn<quint64>("sizeZ");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<int>("fileBytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("one byte short") << quint64(3) << quint64(4) << quint64(5) << qint64(0) << 119
                                    << "holds 119 bytes after byte 0; 3 x 4 x 5 float64 samples need 480";
    QTest::newRow("offset past the end") << quint64(3) << quint64(4) << quint64(5) << qint64(900) << 480
                                         << "holds 0 bytes after byte 900";
    QTest::newRow("huge sizes") << quint64(65534) << quint64(65534) << quint64(65534) << qint64(0) << 16
                                << "voxels are more than the 2147483647 a volume can count";
    QTest::newRow("large sizes") << quint64(2000) << quint64(2000) << quint64(500) << qint64(0) << 16
                                 << "holds 16 bytes after byte 0; 2000 x 2000 x 500 float64 samples need 16000000000";
    QTest::newRow("zero size") << quint64(3) << quint64(0) << quint64(5) << qint64(0) << 480 << "a size of 0 leaves no samples";
    QTest::newRow("beyond .dat") << quint64(65536) << quint64(1) << quint64(1) << qint64(0) << 480 << "exceed 16 bits";
    QTest::newRow("negative offset") << quint64(3) << quint64(4) << quint64(5) << qint64(-1) << 480 << "offset -1 is negative";
}

void TestImportRefusals::raw()
{
    QFETCH(quint64, sizeX);
    QFETCH(quint64, sizeY);
    QFETCH(quint64, sizeZ);
    QFETCH(qint64, offset);
    QFETCH(int, fileBytes);
    QFETCH(QString, reason);
    const QString input = dir.filePath(QStringLiteral("in.raw"));
    ImportOptions options;
    options.raw = RawLayout{{sizeX, sizeY, sizeZ}, SampleType::Float64, false, offset};
    QVERIFY(writeFile(input, QByteArray(fileBytes, '\0')));
    expectRefusal(input, options, reason);
}

void TestImportRefusals::dicom_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut-short slice") << "cut" << "" << ": s62_0.dcm: its pixel data holds 70 of the 80 bytes the image needs";
    QTest::newRow("slice cut inside its header") << "header cut" << ""
                                                 << ": the slices are unevenly spaced: 5 mm between s76_5.dcm and s62_0.dcm";
    QTest::newRow("missing slice") << "missing" << ""
                                   << ": the slices are unevenly spaced: 5 mm between s76_4.dcm and s62_2.dcm, 2.5 mm between "
                                      "the others (a slice missing?)";
    // The slice of another size is an entry of its own; the rest of the series lacks it.
    QTest::newRow("sizes") << "sizes" << ""
                           << ": the slices are unevenly spaced: 5 mm between s83_4.dcm and s69_3.dcm, 2.5 mm between the others";
    QTest::newRow("no DICOM") << "none" << "" << ": the folder holds no DICOM images";
    QTest::newRow("mask of more frames than data") << "maskframes" << "m.dcm" << "m.dcm: its pixel data holds 32 of the 256000 bytes";
    QTest::newRow("truncated file") << "pydicom" << "MR_truncated.dcm" << "MR_truncated.dcm: its pixel data holds 8130 of the 8192 bytes";
    QTest::newRow("colour") << "pydicom" << "SC_rgb_rle.dcm" << "SC_rgb_rle.dcm: holds colour images (3 samples per pixel)";
    QTest::newRow("not DICOM") << "pydicom" << "rtplan.dump" << "rtplan.dump: unknown format";
    QTest::newRow("no preamble") << "pydicom" << "no_meta.dcm" << "no_meta.dcm: not a DICOM image";
    QTest::newRow("32-bit big-endian") << "pydicom" << "rtdose_expb.dcm" << "holds 32-bit samples in big-endian order";
}

// Series written with pydicom, and files of pydicom's own, each in a folder of its own.
void TestImportRefusals::dicom()
{
    QFETCH(QString, kind);
    QFETCH(QString, open);
    QFETCH(QString, reason);
    const QString folder = dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
    QVERIFY(QDir().mkpath(folder));
    const QDir pydicomFiles(QStringLiteral("/usr/lib/python3/dist-packages/pydicom/data/test_files"));
    if (kind == QLatin1String("none")) {
        QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("notes.txt")), "no images here\n"));
        QVERIFY(QDir(folder).mkdir(QStringLiteral("empty")));
    } else if (kind == QLatin1String("pydicom")) {
        if (!pydicomFiles.exists(open))
            QSKIP("the package python3-pydicom is not installed");
        QVERIFY(QFile::copy(pydicomFiles.filePath(open), QDir(folder).filePath(open)));
    } else {
        const bool headerCut = kind == QLatin1String("header cut");
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(MAKE_DICOM_SERIES_PATH), headerCut ? QStringLiteral("signed") : kind, folder});
        if (!python.waitForFinished(60000) || python.exitCode() != 0)
            QSKIP("/usr/bin/python3 with pydicom (python3-pydicom) is needed to write the series");
        // GDCM aborts on a file cut inside its header: the scan must pass over it.
        if (headerCut)
            QVERIFY(QFile::resize(QDir(folder).filePath(QStringLiteral("s69_3.dcm")), 300));
    }
    const QString input = open.isEmpty() ? folder : QDir(folder).filePath(open);
    expectRefusal(input, ImportOptions(), (open.isEmpty() || kind == QLatin1String("cut") ? input : QString()) + reason);
}

void TestImportRefusals::access_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("pipe named as DICOM") << "pipe" << "x.dcm" << "x.dcm: cannot open: not a regular file but a named pipe";
    QTest::newRow("pipe named as InVesalius") << "pipe" << "x.inv3" << "x.inv3: cannot open: not a regular file but a named pipe";
    QTest::newRow("pipe without a suffix") << "pipe" << "x" << "x: cannot open: not a regular file but a named pipe";
    QTest::newRow("pipe as NRRD data") << "pipe data" << "x.nhdr" << "x.nhdr: its data file";
    QTest::newRow("below a file") << "file" << "x.nii/y.nii" << "x.nii/y.nii: cannot open: no such file or folder";
    QTest::newRow("unreadable file") << "unreadable" << "x.nii" << "x.nii: cannot open: permission denied";
    QTest::newRow("unreadable folder") << "unreadable folder" << "x" << "x: cannot open: permission denied";
    QTest::newRow("folder of unreadable files") << "unreadable inside" << "y"
                                                << "y: the folder holds no DICOM images it may read: permission denied for 1 of its 1 files";
}

// What the reason says for paths no reader can take; a pipe must be refused before anything
// opens it, or the import would wait for a writer for ever.
void TestImportRefusals::access()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    if (kind.startsWith(QLatin1String("unreadable")) && ::geteuid() == 0)
        QSKIP("the superuser may read everything");
    const QString path = dir.filePath(name);
    const QString pipe = kind == QLatin1String("pipe data") ? dir.filePath(QStringLiteral("pipe-data")) : path;
    if (kind.startsWith(QLatin1String("pipe")))
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    if (kind == QLatin1String("pipe data"))
        QVERIFY(writeFile(path, "NRRD0004\ntype: short\ndimension: 3\nsizes: 3 4 5\nencoding: raw\ndata file: pipe-data\n"));
    if (kind == QLatin1String("file") || kind == QLatin1String("unreadable"))
        QVERIFY(writeFile(dir.filePath(QStringLiteral("x.nii")), goodNiftiHeader()));
    if (kind.startsWith(QLatin1String("unreadable ")))
        QVERIFY(QDir(dir.path()).mkdir(name));
    if (kind == QLatin1String("unreadable inside"))
        QVERIFY(writeFile(QDir(path).filePath(QStringLiteral("slice")), QByteArray(200, 'x')));
    const QString locked = kind == QLatin1String("unreadable inside") ? QDir(path).filePath(QStringLiteral("slice")) : path;
    if (kind.startsWith(QLatin1String("unreadable")))
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    expectRefusal(path, ImportOptions(), reason);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (kind.startsWith(QLatin1String("pipe")))
        QVERIFY(QFile::remove(pipe));
}

void TestImportRefusals::limits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("textureSide");
    QTest::addColumn<int>("memoryMegabytes");
    QTest::addColumn<QString>("reason");
    const QByteArray little(120, '\0');
    const int wide[3] = {300, 4, 5};
    QTest::newRow("nii beyond the texture") << "a.nii" << nifti(wide, SampleType::Int16, false, little) << 256 << 0
                                            << "a.nii: a 3D texture of 300 x 4 x 5 exceeds the GL's limit of 256 per side";
    const int odd[3] = {255, 4, 5};
    QTest::newRow("odd width padded beyond") << "a.nii" << nifti(odd, SampleType::Int16, false, little) << 255 << 0
                                             << "a 3D texture of 256 x 4 x 5 exceeds";
    QTest::newRow("nrrd beyond memory") << "a.nrrd" << "NRRD0004\ntype: short\ndimension: 3\nsizes: 100 100 100\nendian: little\nencoding: raw\n\n" + little
                                        << 0 << 1 << "a.nrrd: its 100 x 100 x 100 samples need 4 MB of memory, more than the 1 MB there are";
    const int shape[3] = {5, 4, 300};
    QTest::newRow("inv3 beyond the texture")
        << "a.inv3" << gzip(tar({plistMember(invesaliusPlist(QStringLiteral("matrix.dat"), shape, QStringLiteral("int16"))),
                                 {QStringLiteral("p/matrix.dat"), little}}))
        << 256 << 0 << "a.inv3: a 3D texture of 300 x 4 x 5 exceeds";
    QTest::newRow("raw beyond memory") << "raw" << little << 0 << 1 << "its 1000 x 1000 x 1 samples need 3 MB";
    QTest::newRow("dicom beyond the texture") << "CT_small.dcm" << QByteArray() << 100 << 0
                                              << "CT_small.dcm: a 3D texture of 128 x 128 x 1 exceeds";
}

// A grid the caller cannot hold is refused from its header, before the samples are read:
// here the files do not even hold them, and the limit is still what the line names.
void TestImportRefusals::limits()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(int, textureSide);
    QFETCH(int, memoryMegabytes);
    QFETCH(QString, reason);
    const QString path = dir.filePath(name);
    ImportOptions options;
    options.limits.textureSide = textureSide;
    options.limits.memoryBytes = uint64_t(memoryMegabytes) << 20;
    if (name == QLatin1String("raw"))
        options.raw = RawLayout{{1000, 1000, 1}, SampleType::UInt8, false, 0};
    if (contents.isEmpty()) {
        const QString ct = QStringLiteral("/usr/lib/python3/dist-packages/pydicom/data/test_files/") + name;
        if (!QFile::exists(ct))
            QSKIP("the package python3-pydicom is not installed");
        QVERIFY(QFile::copy(ct, path));
    } else {
        QVERIFY(writeFile(path, contents));
    }
    expectRefusal(path, options, reason);
    QFile::remove(path);
}

// The .dat writer leaves nothing behind when it cannot write, and no folder is replaced.
void TestImportRefusals::unwritableOutput()
{
    const int sizes[3] = {3, 4, 5};
    const std::vector<uint16_t> samples(60, 7);
    for (const QString &output : {dir.filePath(QStringLiteral("no/such/folder/out.dat")), dir.filePath(QStringLiteral("folder.dat"))}) {
        QDir(dir.path()).mkdir(QStringLiteral("folder.dat"));
        try {
            writeDat(output, sizes, samples.data());
            QFAIL("the output was written");
        } catch (const ImportError &error) {
            QVERIFY2(error.message().startsWith(output + QStringLiteral(": cannot write")), qPrintable(error.message()));
        }
    }
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder.dat"))).isDir());
}

namespace {

// Every file below the folder with its contents.
QMap<QString, QByteArray> contentsBelow(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        contents.insert(file.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return contents;
}

} // namespace

void TestImportRefusals::expectRefusal(const QString &input, const ImportOptions &options, const QString &reason)
{
    const QMap<QString, QByteArray> before = contentsBelow(dir.path());
    const ImportResult result = importVolume(input.toStdString(), options);
    QVERIFY2(!result.ok(), "the input was read");
    const QString refusal = QString::fromStdString(result.refusal);
    if (!refusal.contains(reason) || !refusal.startsWith(input))
        QFAIL(qPrintable(QStringLiteral("\"%1\" does not say \"%2\"").arg(refusal, reason)));
    QVERIFY(!refusal.contains(QLatin1Char('\n')));
    QVERIFY(result.samples.empty());
    QVERIFY(contentsBelow(dir.path()) == before);
}

QTEST_GUILESS_MAIN(TestImportRefusals)
#include "tst_importrefusals.moc"
