#include "DensityHistogram.h"
#include "GLAvailability.h"
#include "OffscreenGLContext.h"
#include "Volume.h"
#include "VolumeTexture.h"
#include "VoxelEncoding.h"

#include <GL/glew.h>

#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

// Whole volumes built from generated files in an offscreen GL context: the console lines
// character for character, the 3D texture read back texel by texel, and every refusal.
class TestVolume : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OffscreenGLContext> context;
    bool glReady = false;
    QTemporaryDir folder;

    // What `work` writes to the C standard output.
    static QString printedBy(const std::function<void()> &work)
    {
        QTemporaryFile capture;
        if (!capture.open())
            return QStringLiteral("(no capture file)");
        std::fflush(stdout);
        const int saved = dup(fileno(stdout));
        dup2(capture.handle(), fileno(stdout));
        work();
        std::fflush(stdout);
        dup2(saved, fileno(stdout));
        close(saved);
        capture.seek(0);
        return QString::fromLocal8Bit(capture.readAll());
    }

    QByteArray pathOf(const QString &name) const { return QFile::encodeName(folder.filePath(name)); }

    QByteArray writeFile(const QString &name, const QByteArray &content) const
    {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return pathOf(name);
    }

    static QByteArray datContent(int x, int y, int z, const std::vector<uint16_t> &samples)
    {
        const uint16_t header[3] = {uint16_t(x), uint16_t(y), uint16_t(z)};
        return QByteArray(reinterpret_cast<const char *>(header), 6)
            + QByteArray(reinterpret_cast<const char *>(samples.data()), qsizetype(samples.size() * 2));
    }

    static VolumeDescription described(std::vector<uint16_t> samples, int x, int y, int z, VoxelSpacing spacing)
    {
        VolumeDescription description;
        description.sizeX = x;
        description.sizeY = y;
        description.sizeZ = z;
        description.spacing = spacing;
        description.samples = SampleBuffer(std::move(samples));
        return description;
    }

    static void verifyEmpty(const Volume &volume)
    {
        QVERIFY(!volume.isValid());
        QVERIFY(!volume.refusal().empty());
        QCOMPARE(volume.texture, 0u);
        QVERIFY(!volume.samples);
        QCOMPARE(volume.densityMin, 0);
        QCOMPARE(volume.densityMax, 4095);
        QCOMPARE(volume.histogram->size(), QSize(4096, 65));
        const std::unique_ptr<int[]> sizes(volume.dimensions());
        QCOMPARE(sizes[0] + sizes[1] + sizes[2], 0);
    }

    static std::vector<uint16_t> textureTexels(const Volume &volume)
    {
        std::vector<uint16_t> texels(std::size_t(volume.textureGrid().reduced.voxelCount()) * 4);
        glBindTexture(GL_TEXTURE_3D, volume.texture);
        glGetTexImage(GL_TEXTURE_3D, 0, GL_RGBA, GL_UNSIGNED_SHORT, texels.data());
        return texels;
    }

    // Varied samples, so that every gradient differs; every 97th is above 4095 when asked.
    static std::vector<uint16_t> patternSamples(int x, int y, int z, bool aboveMax)
    {
        std::vector<uint16_t> samples;
        for (int k = 0; k < z; ++k)
            for (int j = 0; j < y; ++j)
                for (int i = 0; i < x; ++i) {
                    const int index = int(samples.size());
                    const bool high = aboveMax && index % 97 == 5;
                    samples.push_back(uint16_t(high ? 4096 + index % 60000 : (i * 37 + j * 91 + k * 53 + i * j % 17) % 4096));
                }
        return samples;
    }

    // What today's whole-grid path makes of the samples: adjusted, lowered to 4095, encoded.
    struct WholeGrid
    {
        std::vector<uint16_t> samples;
        std::vector<uint16_t> texels;
        QString histogramLines;
    };
    static WholeGrid wholeGrid(const std::vector<uint16_t> &samples, int x, int y, int z)
    {
        const SampleGrid grid = adjustedGrid(DatHeader{uint16_t(x), uint16_t(y), uint16_t(z)});
        std::vector<uint16_t> adjusted;
        for (int k = 0; k < z; ++k)
            for (int j = 0; j < grid.sizeY; ++j)
                for (int i = 0; i < grid.sizeX; ++i)
                    adjusted.push_back(std::min<uint16_t>(4095, samples[k * x * y + std::min(j, y - 1) * x + std::min(i, x - 1)]));
        WholeGrid whole;
        whole.samples = adjusted;
        whole.texels.resize(adjusted.size() * 4);
        encodeVoxels(adjusted.data(), grid, whole.texels.data(), gradientThreadCount(grid));
        DensityHistogram counts;
        counts.count(adjusted.data(), int64_t(adjusted.size()));
        const DensityRange range = counts.narrowedRange();
        whole.histogramLines = QString("Histogram size: %1 x 65\nVolume density: %2 - %3\n")
                                   .arg(range.width())
                                   .arg(range.min)
                                   .arg(range.max);
        return whole;
    }

private slots:
    void initTestCase()
    {
        context = std::make_unique<OffscreenGLContext>();
        glReady = context->isReady() && glewInit() == GLEW_OK;
    }

    void loadsUploadsAndReports_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<QString>("adjustment");
        QTest::addColumn<QString>("histogram");
        // Ramps of x * 100 (0 is not counted); the padding repeats the last column, so the
        // counted values stay those of the file.
        const QString ramp = "Histogram size: 201 x 65\nVolume density: 100 - 300\n";
        QTest::newRow("even") << 4 << 4 << 4 << QString() << ramp;
        QTest::newRow("one slice") << 4 << 2 << 1 << QString() << ramp;
        QTest::newRow("wide") << 40 << 2 << 3 << QString() << "Histogram size: 3801 x 65\nVolume density: 100 - 3900\n";
        QTest::newRow("odd x") << 5 << 4 << 3 << " modifying Size (6 x 4 x 3)\n"
                               << "Histogram size: 301 x 65\nVolume density: 100 - 400\n";
        QTest::newRow("odd y") << 4 << 3 << 2 << " modifying Size (4 x 4 x 2)\n" << ramp;
        QTest::newRow("both odd") << 5 << 3 << 2 << " modifying Size (6 x 4 x 2)\n"
                                  << "Histogram size: 301 x 65\nVolume density: 100 - 400\n";
    }
    void loadsUploadsAndReports()
    {
        REQUIRE_GL(glReady, "no GL context");
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(QString, adjustment);
        QFETCH(QString, histogram);
        std::vector<uint16_t> samples;
        for (int i = 0; i < x * y * z; ++i)
            samples.push_back(uint16_t(i % x * 100));
        const QByteArray path = writeFile("ramp.dat", datContent(x, y, z, samples));

        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(path.constData()); });
        const QString sizes = QString("%1 x %2 x %3").arg(x).arg(y).arg(z);
        const QString done = adjustment.isEmpty() ? " [done]\n" : adjustment + " [done]\n";
        QCOMPARE(printed, "loading " + path + " (" + sizes + ")" + done + histogram);

        const SampleGrid grid = adjustedGrid(DatHeader{uint16_t(x), uint16_t(y), uint16_t(z)});
        QVERIFY(volume->isValid());
        const std::unique_ptr<int[]> dimensions(volume->dimensions());
        QCOMPARE(dimensions[0], grid.sizeX);
        QCOMPARE(dimensions[1], grid.sizeY);
        QCOMPARE(dimensions[2], z);
        QCOMPARE(volume->sliceSize, int(grid.sliceSize()));
        QCOMPARE(volume->voxelCount, int(grid.voxelCount()));

        GLint active = 0, bound = 0, width = 0, height = 0, depth = 0, format = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
        QCOMPARE(active, GL_TEXTURE0);
        QCOMPARE(GLuint(bound), volume->texture);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &depth);
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        QCOMPARE(QList<int>({width, height, depth, format}), QList<int>({grid.sizeX, grid.sizeY, z, GL_RGBA16}));

        // The file's samples on the adjusted grid, padding repeating its neighbours.
        std::vector<uint16_t> adjusted;
        for (int k = 0; k < z; ++k)
            for (int j = 0; j < grid.sizeY; ++j)
                for (int i = 0; i < grid.sizeX; ++i)
                    adjusted.push_back(samples[k * x * y + std::min(j, y - 1) * x + std::min(i, x - 1)]);
        std::vector<uint16_t> expected(adjusted.size() * 4);
        encodeVoxels(adjusted.data(), grid, expected.data(), 1);
        QCOMPARE(textureTexels(*volume), expected);

        const GLuint texture = volume->texture;
        volume->deleteTexture();
        QCOMPARE(volume->texture, 0u);
        QVERIFY(!glIsTexture(texture));
    }

    // Grids of several slabs, each slab's gradients reading the slices of its neighbours: the
    // texture and the lines are those of encoding and counting the whole grid at once.
    void slabsMatchTheWholeGrid_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<bool>("aboveMax");
        QTest::addColumn<QString>("lines");
        QTest::newRow("even") << 256 << 256 << 21 << false << " [done]\n";
        QTest::newRow("odd") << 255 << 257 << 19 << false << " modifying Size (256 x 258 x 19)\n [done]\n";
        QTest::newRow("above 4095") << 256 << 128 << 40 << true
                                    << " [done]\nClamped 13513 samples above 4095 to 4095\n";
        QTest::newRow("odd, above 4095") << 3 << 3 << 3 << true << " modifying Size (4 x 4 x 3)\n [done]\n"
                                                                   "Clamped 1 samples above 4095 to 4095\n";
        // The extra row repeats a file row with a sample above 4095, the corner that sample's
        // copy in the extra column: the line counts the file's samples only.
        QTest::newRow("odd, above 4095 in the extra row and corner")
            << 3 << 33 << 3 << true << " modifying Size (4 x 34 x 3)\n [done]\nClamped 4 samples above 4095 to 4095\n";
        QTest::newRow("odd y, above 4095 in the extra row")
            << 4 << 13 << 2 << true << " modifying Size (4 x 14 x 2)\n [done]\nClamped 2 samples above 4095 to 4095\n";
    }
    void slabsMatchTheWholeGrid()
    {
        REQUIRE_GL(glReady, "no GL context");
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(bool, aboveMax);
        QFETCH(QString, lines);
        const std::vector<uint16_t> samples = patternSamples(x, y, z, aboveMax);
        const QByteArray path = writeFile("pattern.dat", datContent(x, y, z, samples));
        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(path.constData()); });
        const WholeGrid whole = wholeGrid(samples, x, y, z);
        QCOMPARE(printed, QString("loading %1 (%2 x %3 x %4)").arg(path).arg(x).arg(y).arg(z) + lines
                              + whole.histogramLines);
        QVERIFY(textureTexels(*volume) == whole.texels);
        // The reading views need the samples after the open, adjusted and lowered like the texture's.
        QVERIFY(std::equal(whole.samples.begin(), whole.samples.end(), volume->samplesKept()));
        QVERIFY(!volume->spacing().known);
        volume->deleteTexture();
    }

    // The import layer's road: samples in memory with their spacing make the volume that the
    // same samples make as a file.
    void buildsFromSamplesInMemory_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<bool>("aboveMax");
        QTest::newRow("even") << 6 << 4 << 3 << false;
        QTest::newRow("odd") << 5 << 3 << 4 << false;
        QTest::newRow("above 4095") << 64 << 32 << 3 << true;
    }
    void buildsFromSamplesInMemory()
    {
        REQUIRE_GL(glReady, "no GL context");
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(bool, aboveMax);
        const std::vector<uint16_t> samples = patternSamples(x, y, z, aboveMax);
        const VolumeDescription given = described(samples, x, y, z, VoxelSpacing{0.5, 0.75, 2.5, true});
        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(given); });
        const QByteArray path = writeFile("same.dat", datContent(x, y, z, samples));
        std::unique_ptr<Volume> fromFile;
        const QString printedFromFile = printedBy([&] { fromFile = std::make_unique<Volume>(path.constData()); });
        QCOMPARE(printed, printedFromFile.mid(printedFromFile.indexOf("[done]\n") + 7));
        QVERIFY(textureTexels(*volume) == textureTexels(*fromFile));
        const std::vector<uint16_t> kept = wholeGrid(samples, x, y, z).samples;
        QVERIFY(std::equal(kept.begin(), kept.end(), volume->samplesKept()));
        const std::unique_ptr<int[]> sizes(volume->dimensions());
        QCOMPARE(QList<int>({sizes[0], sizes[1], sizes[2]}), QList<int>({x + x % 2, y + y % 2, z}));
        QCOMPARE(volume->spacing().z, 2.5);
        QVERIFY(volume->spacing().known);
        QVERIFY(std::equal(given.samples.begin(), given.samples.end(), samples.begin(), samples.end()));
        volume->deleteTexture();
        fromFile->deleteTexture();
    }

    void refusesSamplesInMemoryBeyondTheLimits_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("line");
        QTest::newRow("beyond 16 bits") << 70000 << "Can't load a volume of 70000 x 2 x 2: the sizes 70000 x 2 x 2 exceed 16 bits\n";
        QTest::newRow("fewer samples than the grid") << 2 << "Can't load a volume of 2 x 2 x 2: it holds 4 samples\n";
    }
    void refusesSamplesInMemoryBeyondTheLimits()
    {
        QFETCH(int, x);
        QFETCH(QString, line);
        const VolumeDescription given = described(std::vector<uint16_t>(4, 1), x, 2, 2, VoxelSpacing{});
        std::unique_ptr<Volume> volume;
        QCOMPARE(printedBy([&] { volume = std::make_unique<Volume>(given); }), line);
        QCOMPARE(QString::fromStdString(volume->refusal()) + "\n", line);
        verifyEmpty(*volume);
    }

    void emptyVolumeSpansTheWholeRange()
    {
        REQUIRE_GL(glReady, "no GL context");
        const QByteArray path = writeFile("zero.dat", datContent(4, 4, 2, std::vector<uint16_t>(32, 0)));
        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(path.constData()); });
        QCOMPARE(printed, "loading " + path + " (4 x 4 x 2) [done]\nHistogram size: 4096 x 65\nVolume density: 0 - 4095\n");
        QVERIFY(volume->isValid());
        const QImage picture = volume->histogram->toImage();
        QCOMPARE(picture.size(), QSize(4096, 65));
        QCOMPARE(picture.pixel(0, 64), QColor(Qt::lightGray).rgb());
        QCOMPARE(picture.pixel(4095, 64), QColor(Qt::lightGray).rgb());
        volume->deleteTexture();
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        const auto header = [](int x, int y, int z) { return datContent(x, y, z, {}); };
        QTest::newRow("missing") << "missing.dat" << QByteArray() << "Can't open file %1\n";
        QTest::newRow("folder") << "." << QByteArray() << "Can't load %1: not a regular file\n";
        QTest::newRow("short header") << "short.dat" << QByteArray("\4\0\4\0", 4)
                                      << "Can't load %1: the file is shorter than its 6-byte header\n";
        QTest::newRow("zero size") << "zero.dat" << header(4, 0, 4)
                                   << "Can't load %1 (4 x 0 x 4): a size of 0 leaves no samples\n";
        QTest::newRow("short samples") << "cut.dat" << header(4, 4, 4) + QByteArray(100, 'a')
                                       << "Can't load %1 (4 x 4 x 4): the file holds 106 bytes, its sizes need 134\n";
        QTest::newRow("absurd sizes") << "absurd.dat" << header(65535, 65535, 65535) + QByteArray(4, 'a')
                                      << "Can't load %1 (65535 x 65535 x 65535): the file holds 10 bytes, its sizes "
                                         "need 562924184010756\n";
    }
    void refusesBadFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        const QByteArray path = content.isEmpty() ? pathOf(name) : writeFile(name, content);
        std::unique_ptr<Volume> volume;
        QCOMPARE(printedBy([&] { volume = std::make_unique<Volume>(path.constData()); }), line.arg(path));
        QCOMPARE(QString::fromStdString(volume->refusal()) + "\n", line.arg(path));
        verifyEmpty(*volume);
    }

    void refusesWithoutContext()
    {
        const QByteArray path = writeFile("plain.dat", datContent(4, 4, 4, std::vector<uint16_t>(64, 500)));
        context->doneCurrent();
        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(path.constData()); });
        context->makeCurrent();
        QCOMPARE(printed, "Can't load " + path + " (4 x 4 x 4): no current GL context to hold its 3D texture\n");
        verifyEmpty(*volume);
    }

    // A grid beyond the GL's side limit (lowered here, as llvmpipe takes 2048) is shown at a
    // coarser grid: each texel the mean of its block, the last block cut short by the grid's
    // end. The samples are linear in x, y and z, so a block's mean is the value at its centre.
    void showsGridsBeyondTheTextureLimitReduced()
    {
        REQUIRE_GL(glReady, "no GL context");
        const int x = 12, y = 4, z = 5;
        const auto sample = [](double i, double j, double k) { return 20 * i + 100 * j + 500 * k; };
        std::vector<uint16_t> samples;
        for (int k = 0; k < z; ++k)
            for (int j = 0; j < y; ++j)
                for (int i = 0; i < x; ++i)
                    samples.push_back(uint16_t(sample(i, j, k)));
        const QByteArray path = writeFile("long.dat", datContent(x, y, z, samples));
        qputenv("DICHTENSCHAU_MAX_3D_TEXTURE_SIZE", "4");
        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(path.constData()); });
        qunsetenv("DICHTENSCHAU_MAX_3D_TEXTURE_SIZE");
        QCOMPARE(printed.section('\n', 1, 1), QString("Showing 4 x 4 x 3 of 12 x 4 x 5 samples, each the mean of up to "
                                                      "3 x 1 x 2: the GL cannot hold the whole grid as a 3D texture"));
        QCOMPARE(volume->textureGrid().factors, (std::array<int, 3>{3, 1, 2}));
        QVERIFY(std::equal(samples.begin(), samples.end(), volume->samplesKept()));
        const std::vector<uint16_t> texels = textureTexels(*volume);
        QCOMPARE(texels.size(), std::size_t(4 * 4 * 4 * 3));
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) {
                    const double centreZ = k < 2 ? 2 * k + 0.5 : 4;
                    const uint16_t expected = uint16_t(sample(3 * i + 1, j, centreZ));
                    QCOMPARE(texels[std::size_t(4 * ((k * 4 + j) * 4 + i) + 3)], uint16_t(expected * 16));
                }
        volume->deleteTexture();
    }

    // A sparse file of 64 Mi samples under a lowered address-space limit: without room for
    // the samples the open fails with one line; with room for them but not for the GL's
    // 512 MiB texture, the volume is shown at a coarser grid that fits.
    void reportsAllocationFailure_data()
    {
        QTest::addColumn<int>("headroomMiB");
        QTest::addColumn<bool>("opens");
        QTest::newRow("no room for the samples") << 64 << false;
        QTest::newRow("no room for the texture") << 256 << true;
    }
    void reportsAllocationFailure()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer's allocator does not return null");
#endif
        REQUIRE_GL(glReady, "no GL context");
        QFETCH(int, headroomMiB);
        QFETCH(bool, opens);
        const QByteArray path = writeFile("big.dat", datContent(256, 256, 1024, {}));
        QVERIFY(truncate(path.constData(), 6 + 2 * 256 * 256 * 1024) == 0);
        QFile status("/proc/self/status");
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("VmSize:") + 7;
        const rlim_t used = rlim_t(text.mid(at, text.indexOf(" kB", at) - at).trimmed().toLongLong()) * 1024;
        rlimit saved;
        getrlimit(RLIMIT_AS, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = used + (rlim_t(headroomMiB) << 20);
        setrlimit(RLIMIT_AS, &lowered);
        std::unique_ptr<Volume> volume;
        const QString printed = printedBy([&] { volume = std::make_unique<Volume>(path.constData()); });
        setrlimit(RLIMIT_AS, &saved);
        if (!opens) {
            QCOMPARE(printed, QString("Can't malloc space\n"));
            verifyEmpty(*volume);
            return;
        }
        QVERIFY2(printed.section('\n', 1, 1).startsWith("Showing "), qPrintable(printed));
        QVERIFY(volume->isValid() && volume->texture != 0);
        QVERIFY(volume->textureGrid().isReduced());
        volume->deleteTexture();
    }
};

QTEST_MAIN(TestVolume)
#include "tst_Volume.moc"
