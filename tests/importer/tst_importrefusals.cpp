#include "ImportError.h"
#include "VolumeFiles.h"
#include "VolumeImport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace VolumeFiles;

// Inputs the importer cannot convert are refused with a reason that names the problem,
// before anything large is allocated, and no output file appears.
class TestImportRefusals : public QObject
{
    Q_OBJECT

private slots:
    void headers_data();
    void headers();
    void raw_data();
    void raw();
    void unwritableOutput();

private:
    static void addNiftiRows();
    static void addNrrdRows();
    static void addMetaImageRows();
    static void addInvesaliusRows();
    void expectRefusal(const ImportRequest &request, const QString &reason);

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
    QTest::newRow("nii sizeof_hdr") << "a.nii" << patched(good, 0, 540, 4) << QByteArray() << "sizeof_hdr is not 348";
    QTest::newRow("nii pair") << "a.nii" << good.left(344) + QByteArray("ni1\0", 4) + good.mid(348) << QByteArray()
                              << "header of a .hdr/.img pair";
    QTest::newRow("nii magic") << "a.nii" << good.left(344) + "abcd" + good.mid(348) << QByteArray() << "magic is not n+1";
    QTest::newRow("nii dim[0] 0") << "a.nii" << patched(good, 40, 0, 2) << QByteArray() << "dim[0] = 0";
    QTest::newRow("nii dim[0] 8") << "a.nii" << patched(good, 40, 8, 2) << QByteArray() << "dim[0] = 8";
    QTest::newRow("nii negative size") << "a.nii" << patched(good, 44, uint16_t(-4), 2) << QByteArray()
                                       << "dim[2] = -4 is not a size";
    QTest::newRow("nii 4D") << "a.nii" << patched(patched(good, 40, 4, 2), 48, 2, 2) << QByteArray()
                            << "holds 2 volumes along dim[4]";
    QTest::newRow("nii complex") << "a.nii" << patched(good, 70, 32, 2) << QByteArray() << "datatype 32 is not supported";
    QTest::newRow("nii int64") << "a.nii" << patched(good, 70, 1024, 2) << QByteArray() << "datatype 1024 is not supported";
    QTest::newRow("nii bitpix") << "a.nii" << patched(good, 72, 8, 2) << QByteArray() << "bitpix 8 does not match datatype 4";
    QTest::newRow("nii vox_offset inside header") << "a.nii" << patched(good, 108, 0x42c80000, 4) << QByteArray()
                                                   << "vox_offset 100 is not a byte offset";
    QTest::newRow("nii vox_offset fraction") << "a.nii" << patched(good, 108, 0x43b04000, 4) << QByteArray()
                                              << "vox_offset 352.5";
    QTest::newRow("nii short header") << "a.nii" << good.left(100) << QByteArray() << "NIfTI header ends after 100 of 348 bytes";
    QTest::newRow("nii short data") << "a.nii" << good.left(400) << QByteArray()
                                    << "holds 48 bytes after byte 352; 3 x 4 x 5 int16 samples need 120";
    // 32767^3 samples of 2 bytes would be 70 TB: refused from the file size alone.
    const QByteArray huge = patched(patched(patched(good, 42, 32767, 2), 44, 32767, 2), 46, 32767, 2).left(352);
    QTest::newRow("nii huge sizes") << "a.nii" << huge << QByteArray() << "holds 0 bytes after byte 352";
    QTest::newRow("nii.gz huge sizes") << "a.nii.gz" << gzip(huge) << QByteArray() << "compressed bytes cannot hold";
    QTest::newRow("nii.gz truncated") << "a.nii.gz" << gzip(good).left(40) << QByteArray() << "ends after";
    QByteArray corrupt = gzip(good);
    corrupt[10] = char(0xff);
    QTest::newRow("nii.gz corrupt") << "a.nii.gz" << corrupt << QByteArray() << "compressed data is corrupt";
}

void TestImportRefusals::addNrrdRows()
{
    const QByteArray head("NRRD0004\ntype: short\ndimension: 3\n");
    const QByteArray tail("endian: little\nencoding: raw\n\n");
    const QByteArray data(120, '\0');
    QTest::newRow("nrrd magic") << "a.nrrd" << "NRRX0004\n" + data << QByteArray() << "not a NRRD file";
    QTest::newRow("nrrd dimension") << "a.nrrd" << "NRRD0004\ntype: short\ndimension: 4\nsizes: 1 3 4 5\n" + tail + data
                                    << QByteArray() << "dimension 4; only 3D volumes";
    QTest::newRow("nrrd two sizes") << "a.nrrd" << head + "sizes: 3 4\n" + tail + data << QByteArray()
                                    << "sizes \"3 4\" does not give three sizes";
    QTest::newRow("nrrd size not a number") << "a.nrrd" << head + "sizes: 3 4 five\n" + tail + data << QByteArray()
                                            << "\"five\" is not a whole number";
    QTest::newRow("nrrd zero size") << "a.nrrd" << head + "sizes: 3 0 5\n" + tail + data << QByteArray()
                                    << "sizes 3 x 0 x 5 hold no samples";
    QTest::newRow("nrrd size beyond .dat") << "a.nrrd" << head + "sizes: 3 70000 5\n" + tail + data << QByteArray()
                                           << "exceed the .dat limit of 65535";
    QTest::newRow("nrrd control characters") << "a.nrrd" << head + "sizes: 3 4 5\nendian: lit\rtle\x1b[2J\nencoding: raw\n\n" + data
                                             << QByteArray() << "endian \"lit?tle?[2J\" is neither little nor big";
    QTest::newRow("nrrd no sizes") << "a.nrrd" << head + tail + data << QByteArray() << "no \"sizes\" field";
    QTest::newRow("nrrd type") << "a.nrrd" << "NRRD0004\ntype: block\ndimension: 3\nsizes: 3 4 5\n" + tail + data
                               << QByteArray() << "type \"block\" is not supported";
    QTest::newRow("nrrd int64") << "a.nrrd" << "NRRD0004\ntype: int64\ndimension: 3\nsizes: 3 4 5\n" + tail + data
                                << QByteArray() << "type \"int64\" is not supported";
    QTest::newRow("nrrd encoding") << "a.nrrd" << head + "sizes: 3 4 5\nendian: little\nencoding: bzip2\n\n" + data
                                   << QByteArray() << "encoding \"bzip2\" is not supported";
    QTest::newRow("nrrd no endian") << "a.nrrd" << head + "sizes: 3 4 5\nencoding: raw\n\n" + data << QByteArray()
                                    << "no \"endian\" field";
    QTest::newRow("nrrd no blank line") << "a.nrrd" << head + "sizes: 3 4 5\nendian: little\nencoding: raw\n" << QByteArray()
                                        << "ends without the blank line";
    QTest::newRow("nrrd not a field") << "a.nrrd" << head + "sizes 3 4 5\n" + tail + data << QByteArray()
                                      << "header line 4 is not a field";
    QTest::newRow("nrrd binary header") << "a.nrrd" << "NRRD0004\n" + QByteArray(70000, 'b') + "\n" << QByteArray()
                                        << "header line 2 is not text";
    QTest::newRow("nrrd short data") << "a.nrrd" << head + "sizes: 3 4 5\n" + tail + data.left(100) << QByteArray()
                                     << "holds 100 bytes";
    QTest::newRow("nrrd huge sizes") << "a.nrrd" << head + "sizes: 65535 65535 65535\n" + tail << QByteArray()
                                     << "holds 0 bytes";
    QTest::newRow("nrrd byte skip") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: raw\nbyte skip: -2\ndata file: d\n"
                                    << data << "byte skip \"-2\" is not a byte count";
    QTest::newRow("nrrd gzip byte skip -1") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: gzip\nbyte skip: -1\ndata file: d\n"
                                            << gzip(data) << "byte skip -1 needs raw encoding";
    QTest::newRow("nrrd line skip") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: raw\nline skip: 3\ndata file: d\n"
                                    << "one line\n" + data << "has 1 of the 3 lines to skip";
    QTest::newRow("nrrd missing data file") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: raw\ndata file: gone\n"
                                            << QByteArray() << "gone: cannot open";
    QTest::newRow("nrrd data file list") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: raw\ndata file: LIST\nd\n"
                                         << data << "split over several files";
    QTest::newRow("nrrd gzip short") << "a.nhdr" << head + "sizes: 3 4 5\nendian: little\nencoding: gzip\ndata file: d\n"
                                     << gzip(data.left(60)) << "sample data ends after 60 of 120 bytes";
}

void TestImportRefusals::addMetaImageRows()
{
    const QByteArray head("ObjectType = Image\nNDims = 3\nDimSize = 3 4 5\n");
    const QByteArray data(120, '\0');
    QTest::newRow("mha ndims") << "a.mha" << "NDims = 2\nDimSize = 3 4\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data
                               << QByteArray() << "NDims 2; only 3D volumes";
    QTest::newRow("mha object type") << "a.mha" << QByteArray("ObjectType = Mesh\nNDims = 3\nElementDataFile = LOCAL\n") << QByteArray()
                                     << "ObjectType Mesh is not an image";
    QTest::newRow("mha channels") << "a.mha" << head + "ElementNumberOfChannels = 3\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data
                                  << QByteArray() << "3 channels per element";
    QTest::newRow("mha element type") << "a.mha" << head + "ElementType = MET_LONG_LONG\nElementDataFile = LOCAL\n" + data
                                      << QByteArray() << "ElementType MET_LONG_LONG is not supported";
    QTest::newRow("mha text data") << "a.mha" << head + "BinaryData = False\nElementType = MET_SHORT\nElementDataFile = LOCAL\n1 2 3"
                                   << QByteArray() << "data written as text";
    QTest::newRow("mha no data file") << "a.mha" << head + "ElementType = MET_SHORT\n" << QByteArray()
                                      << "no ElementDataFile line";
    QTest::newRow("mha not a header") << "a.mha" << QByteArray("just words\n") << QByteArray() << "is not \"Key = Value\"";
    QTest::newRow("mha compressed flag") << "a.mha" << head + "CompressedData = maybe\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + data
                                         << QByteArray() << "CompressedData \"maybe\" is neither True nor False";
    QTest::newRow("mha not zlib") << "a.mha" << head + "CompressedData = True\nElementType = MET_SHORT\nElementDataFile = LOCAL\n" + QByteArray(100, '\xff')
                                  << QByteArray() << "compressed data is corrupt";
    QTest::newRow("mha huge sizes") << "a.mha" << "NDims = 3\nDimSize = 60000 60000 60000\nElementType = MET_DOUBLE\nElementDataFile = LOCAL\n" + data
                                    << QByteArray() << "holds 120 bytes";
    QTest::newRow("mhd header size -1 compressed") << "a.mhd" << head + "CompressedData = True\nHeaderSize = -1\nElementType = MET_SHORT\nElementDataFile = d\n"
                                                   << zlib(data) << "HeaderSize -1 needs uncompressed data";
    QTest::newRow("mhd header size -1 short") << "a.mhd" << head + "HeaderSize = -1\nElementType = MET_SHORT\nElementDataFile = d\n"
                                              << data.left(7) << "7 bytes are fewer than the 120 bytes";
    QTest::newRow("mhd file list") << "a.mhd" << head + "ElementType = MET_SHORT\nElementDataFile = slice%03d.raw 1 5 1\n"
                                   << QByteArray() << "split over several files";
}

void TestImportRefusals::addInvesaliusRows()
{
    const int shape[3] = {5, 4, 3};
    const QPair<QString, QByteArray> matrix{QStringLiteral("p/matrix.dat"), QByteArray(120, '\0')};
    const QByteArray goodPlist = invesaliusPlist(QStringLiteral("matrix.dat"), shape, QStringLiteral("int16"));
    QTest::newRow("inv3 not gzip") << "a.inv3" << QByteArray("PK\x03\x04 a zip archive") << QByteArray()
                                   << "not an InVesalius project (not gzip-compressed)";
    QTest::newRow("inv3 not tar") << "a.inv3" << gzip(QByteArray(1024, 'z')) << QByteArray()
                                  << "not a tar archive (header checksum does not match)";
    QTest::newRow("inv3 short tar") << "a.inv3" << gzip(QByteArray(100, 'z')) << QByteArray() << "tar header ends after 100 bytes";
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
                                    << QByteArray() << "ends after";
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
    QTest::newRow("unknown format") << "a.png" << QByteArray("\x89PNG") << QByteArray() << "unknown format";
    QTest::newRow("missing input") << "nothing.nii" << QByteArray() << QByteArray() << "cannot open";
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
    ImportRequest request;
    request.input = dir.filePath(name);
    request.output = dir.filePath(QStringLiteral("out.dat"));
    expectRefusal(request, reason);
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
    QTest::newRow("huge sizes") << quint64(65535) << quint64(65535) << quint64(65535) << qint64(0) << 16
                                << "holds 16 bytes after byte 0; 65535 x 65535 x 65535 float64 samples need 2251696736043000";
    QTest::newRow("zero size") << quint64(3) << quint64(0) << quint64(5) << qint64(0) << 480 << "hold no samples";
    QTest::newRow("beyond .dat") << quint64(65536) << quint64(1) << quint64(1) << qint64(0) << 480 << "exceed the .dat limit";
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
    ImportRequest request;
    request.input = dir.filePath(QStringLiteral("in.raw"));
    request.output = dir.filePath(QStringLiteral("out.dat"));
    request.raw = RawLayout{{sizeX, sizeY, sizeZ}, SampleType::Float64, false, offset};
    QVERIFY(writeFile(request.input, QByteArray(fileBytes, '\0')));
    expectRefusal(request, reason);
}

void TestImportRefusals::unwritableOutput()
{
    ImportRequest request;
    request.input = dir.filePath(QStringLiteral("in.raw"));
    request.raw = RawLayout{{3, 4, 5}, SampleType::UInt8, false, 0};
    QVERIFY(writeFile(request.input, QByteArray(60, '\0')));
    request.output = dir.filePath(QStringLiteral("no/such/folder/out.dat"));
    expectRefusal(request, QStringLiteral("out.dat: cannot write"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.dat")));
    request.output = dir.filePath(QStringLiteral("folder.dat"));
    try {
        importVolume(request);
        QFAIL("a folder was overwritten");
    } catch (const ImportError &error) {
        QVERIFY2(error.message().contains(QLatin1String("cannot write")), qPrintable(error.message()));
    }
    QVERIFY(QFileInfo(request.output).isDir());
}

void TestImportRefusals::expectRefusal(const ImportRequest &request, const QString &reason)
{
    QFile::remove(request.output);
    try {
        importVolume(request);
        QFAIL("the input was converted");
    } catch (const ImportError &error) {
        if (!error.message().contains(reason))
            QFAIL(qPrintable(QStringLiteral("\"%1\" does not say \"%2\"").arg(error.message(), reason)));
    }
    QVERIFY(!QFile::exists(request.output));
}

QTEST_GUILESS_MAIN(TestImportRefusals)
#include "tst_importrefusals.moc"
