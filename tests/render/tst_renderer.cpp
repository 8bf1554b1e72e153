#include <GL/glew.h>

#include "ScratchWorkingDirectory.h"
#include "ConsoleCapture.h"
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "RaySteps.h"
#include "SampleLimits.h"
#include "ShaderSource.h"
#include "TransferTexture.h"
#include "ViewProbe.h"
#include "Volume.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Rgb
{
    int r, g, b;
};

Rgb pixel(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

int brightness(const Rgb &c)
{
    return (c.r + c.g + c.b) / 3;
}

// Mean brightness over a square of side 2 * half around (x, y).
double meanBrightness(const QImage &image, int x, int y, int half)
{
    double sum = 0;
    int n = 0;
    for (int j = y - half; j < y + half; ++j)
        for (int i = x - half; i < x + half; ++i, ++n)
            sum += brightness(pixel(image, i, j));
    return sum / n;
}

} // namespace

class TestRenderer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }
    void init()
    {
        workDir = std::make_unique<ScratchWorkingDirectory>();
        QVERIFY(workDir->isReady());
        table.assign(4096, 0u);
    }
    void cleanup()
    {
        view.reset();
        workDir.reset();
    }

    void projectionKeepsProportions_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::newRow("400x400") << 400 << 400 << -0.5 << 0.5 << 0.5 << -0.5;
        QTest::newRow("800x400") << 800 << 400 << -1.0 << 1.0 << 0.5 << -0.5;
        QTest::newRow("400x800") << 400 << 800 << -0.5 << 0.5 << 1.0 << -1.0;
    }
    void projectionKeepsProportions()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        writeBall(16, 16, 16);
        startView(w, h);
        view->makeCurrent();
        GLdouble m[16];
        glGetDoublev(GL_PROJECTION_MATRIX, m);
        view->doneCurrent();
        // An orthographic matrix holds 2 / (right - left) and -(right + left) / (right - left),
        // and the same of bottom and top.
        const double width = 2.0 / m[0], height = 2.0 / m[5];
        const double gotLeft = -(1.0 + m[12]) * width / 2.0;
        const double gotBottom = -(1.0 + m[13]) * height / 2.0;
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, bottom);
        QFETCH(double, top);
        // The rows are in units of the shorter side; at the start zoom that side spans the
        // diameter of the cube's bounding sphere.
        const double span = std::sqrt(3.0);
        left *= span;
        right *= span;
        bottom *= span;
        top *= span;
        QVERIFY(std::abs(gotLeft - left) < 1e-6);
        QVERIFY(std::abs(gotLeft + width - right) < 1e-6);
        QVERIFY(std::abs(gotBottom - bottom) < 1e-6);
        QVERIFY(std::abs(gotBottom + height - top) < 1e-6);
        QVERIFY(std::abs(m[10] + 2.0 / 11.0) < 1e-6);
    }

    void backfaceTextureFollowsTheWindowSize()
    {
        writeBall(16, 16, 16);
        startView(300, 200);
        view->resize(320, 240);
        view->grabFramebuffer();
        QCOMPARE(backfaceSize(), QSize(320, 240));
    }

    // Looking down the z axis the far face is z = -hz, texture r = 0; s and t run across
    // the box. Outside the box (here a box half as wide as the window) the texels keep the
    // clear colour.
    void backFacePassHoldsExitPoints()
    {
        writeBall(32, 64, 64);
        startView(256, 256);
        view->grabFramebuffer();
        const std::vector<float> texels = backfaceTexels();
        const auto texel = [&](int x, int y) {
            const float *t = &texels[(size_t(y) * 256 + x) * 4];
            return std::array<float, 4>{t[0], t[1], t[2], t[3]};
        };
        const std::array<float, 4> centre = texel(128, 128);
        QVERIFY(std::abs(centre[0] - 0.5f) < 0.01f);
        QVERIFY(std::abs(centre[1] - 0.5f) < 0.01f);
        QCOMPARE(centre[2], 0.0f);
        QCOMPARE(centre[3], 1.0f);
        QCOMPARE(texel(20, 128), (std::array<float, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
        QCOMPARE(texel(235, 128), (std::array<float, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
        QVERIFY(texel(128, 20)[1] < 0.2f || texel(128, 20)[1] > 0.8f);
    }

    void positiveYIsDrawnInTheLowerHalf()
    {
        QVERIFY(writeVolumeFile("lobster.dat", 32, 32, 32,
                                [](int, int y, int) { return uint16_t(y >= 16 ? 3000 : 0); }));
        fillTable(1000, 4095, 0xFFFFFFFFu);
        startView(256, 256);
        const QImage image = view->grabFramebuffer();
        QVERIFY(meanBrightness(image, 128, 192, 20) > 100);
        QVERIFY(meanBrightness(image, 128, 64, 20) < 5);
    }

    // A drag's longer steps let less through: the table's opacities rise to make up for it,
    // the colours stay, and the resting step count changes nothing.
    void dragTableCorrectsOpacitiesOnly_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<uint32_t>("word");
        QTest::addColumn<uint32_t>("corrected");
        QTest::newRow("at rest") << steadyStepCount << 0x40A0B0C0u << 0x40A0B0C0u;
        QTest::newRow("transparent") << 50 << 0x00A0B0C0u << 0x00A0B0C0u;
        QTest::newRow("opaque") << 50 << 0xFFA0B0C0u << 0xFFA0B0C0u;
        // 1 - (1 - 26 / 255)^10 = 0.659, 168 of 255.
        QTest::newRow("ten times the step") << 50 << 0x1A010203u << 0xA8010203u;
        // 1 - (1 - 102 / 255)^0.5 = 0.225, 57 of 255.
        QTest::newRow("half the step") << 1000 << 0x66FFFFFFu << 0x39FFFFFFu;
    }
    void dragTableCorrectsOpacitiesOnly()
    {
        QFETCH(int, steps);
        QFETCH(uint32_t, word);
        QFETCH(uint32_t, corrected);
        const std::vector<uint32_t> table(transferTableSize, word);
        const std::vector<uint32_t> result = opacityCorrectedTable(table.data(), steps);
        QCOMPARE(result.size(), std::size_t(transferTableSize));
        QCOMPARE(QString::number(result.back(), 16), QString::number(corrected, 16));
    }

    void transferTextureArrivesWithRedAndBlueExchanged()
    {
        writeBall(16, 16, 16);
        startView(128, 128);
        const unsigned int first = view->transferTexture;
        fillTable(0, 4095, 0xFF0000FFu);
        view->setColors();
        QVERIFY(view->transferTexture != 0);
        std::vector<uint8_t> texels = transferTexels();
        QCOMPARE(int(texels[0]), 255);
        QCOMPARE(int(texels[1]), 0);
        QCOMPARE(int(texels[2]), 0);
        QCOMPARE(int(texels[3]), 255);

        fillTable(0, 4095, 0x80102030u);
        view->setColors();
        texels = transferTexels();
        QCOMPARE(int(texels[4 * 4095 + 0]), 0x30);
        QCOMPARE(int(texels[4 * 4095 + 1]), 0x20);
        QCOMPARE(int(texels[4 * 4095 + 2]), 0x10);
        QCOMPARE(int(texels[4 * 4095 + 3]), 0x80);
        view->makeCurrent();
        QVERIFY(!glIsTexture(first));
        GLint active = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        view->doneCurrent();
        QCOMPARE(active, GLint(GL_TEXTURE0));
    }

    void ballShowsInTheCentreWithBackgroundInTheCorners()
    {
        writeBall(64, 64, 64);
        fillTable(1500, 4095, 0xFFFFFFFFu);
        startView(256, 256);
        const QImage image = view->grabFramebuffer();
        QVERIFY(brightness(pixel(image, 128, 128)) > 60);
        for (const QPoint corner : {QPoint(2, 2), QPoint(253, 2), QPoint(2, 253), QPoint(253, 253)})
            QCOMPARE(brightness(pixel(image, corner.x(), corner.y())), 0);
    }

    // A faint transfer function accumulates over the whole ray, so it shows whether the
    // opacity is corrected for the step length: without it, a drag's few steps would
    // draw a much fainter ball. The drag is cast at a quarter of the pixels and stretched
    // over the view: the ball stays where it was and as large.
    void dragStepsKeepTheBrightness()
    {
        writeBall(64, 64, 64);
        fillTable(200, 4095, 0x08FFFFFFu);
        startView(256, 256);
        const QImage atRest = view->grabFramebuffer();
        QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(view->stepCount, 28000 / 256);
        const QImage dragging = view->grabFramebuffer();
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(10, 10));
        for (const QPoint at : {QPoint(128, 128), QPoint(84, 128), QPoint(172, 128), QPoint(128, 84), QPoint(128, 172)}) {
            const double rest = meanBrightness(atRest, at.x(), at.y(), 8);
            const double drag = meanBrightness(dragging, at.x(), at.y(), 8);
            QVERIFY2(rest > 20 && std::abs(drag - rest) < 0.08 * rest,
                     qPrintable(QString("at %1, %2: %3 at rest, %4 while dragging").arg(at.x()).arg(at.y()).arg(rest).arg(drag)));
        }
        QCOMPARE(brightness(pixel(dragging, 2, 2)), 0);
    }

    void shadingDependsOnTheSurfaceDirection()
    {
        writeBall(64, 64, 64);
        fillTable(2000, 4095, 0xFFFFFFFFu);
        startView(256, 256);
        const QImage image = view->grabFramebuffer();
        // The light comes from the viewer: the middle of the ball faces it, its rim does not.
        QVERIFY(brightness(pixel(image, 128, 128)) > brightness(pixel(image, 128 + 58, 128)) + 30);
    }

    void sliceModeShowsDarkGreyAroundThePlanes()
    {
        writeBall(64, 64, 64);
        fillTable(1500, 4095, 0xFFFF0000u);
        startView(384, 256);
        view->setRenderMode(true);
        const QImage image = view->grabFramebuffer();
        const Rgb corner = pixel(image, 2, 2);
        QVERIFY(std::abs(corner.r - 26) <= 1 && corner.g == corner.r && corner.b == corner.r);
        // The planes through the middle: looking down z, the z plane shows the ball's
        // equator classified red, the other two are seen edge on.
        view->setLength(2880);
        view->setWidth(2880);
        view->setDepth(2880);
        const Rgb centre = pixel(view->grabFramebuffer(), 192, 128);
        QVERIFY(centre.r > 200 && centre.g < 50 && centre.b < 50);
    }

    void missingShadersLeaveTheViewBlack()
    {
        writeBall(16, 16, 16);
        for (const char *name : {"shader1.frag", "slice_shader.vert"})
            QVERIFY(QFile::remove(name));
        fillTable(0, 4095, 0xFFFFFFFFu);
        ConsoleCapture console;
        startView(128, 128);
        const QString out = console.text();
        QVERIFY2(out.contains("Can't open file shader1.frag\n"), qPrintable(out));
        QVERIFY2(out.contains("Can't open file slice_shader.vert\n"), qPrintable(out));
        QCOMPARE(view->rayProgram, 0u);
        QCOMPARE(view->sliceProgram, 0u);
        QVERIFY(isBlack(view->grabFramebuffer()));
        view->setRenderMode(true);
        const QImage slices = view->grabFramebuffer();
        QCOMPARE(slices.pixel(64, 64), slices.pixel(1, 1));
    }

    void brokenShaderPrintsItsLogAndDrawsNothing()
    {
        writeBall(16, 16, 16);
        QFile broken("shader1.frag");
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("void main() { gl_FragColor = vec4(1.0) }\n");
        broken.close();
        fillTable(0, 4095, 0xFFFFFFFFu);
        ConsoleCapture console;
        startView(128, 128);
        QVERIFY2(console.text().contains("error", Qt::CaseInsensitive), qPrintable(console.text()));
        QCOMPARE(view->rayProgram, 0u);
        QVERIFY(isBlack(view->grabFramebuffer()));
    }

    void wellFormedShadersPrintNoLog()
    {
        writeBall(16, 16, 16);
        ConsoleCapture console;
        startView(128, 128);
        for (const QString &line : console.text().split('\n', Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith("loading ") || line.startsWith(" [done]") || line.startsWith("Histogram size: ") ||
                         line.startsWith("Volume density: "),
                     qPrintable(line));
        QVERIFY(view->rayProgram != 0u);
        QVERIFY(view->sliceProgram != 0u);
    }

    void shaderTextKeepsItsLastCharacter()
    {
        QFile file("last.vert");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("void main() { gl_Position = ftransform(); }");
        file.close();
        QFile empty("empty.vert");
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        std::string text;
        QVERIFY(readShaderFile("last.vert", text));
        QCOMPARE(QByteArray::fromStdString(text), QByteArray("void main() { gl_Position = ftransform(); }"));
        QVERIFY(readShaderFile("empty.vert", text));
        QVERIFY(text.empty());
        ConsoleCapture console;
        QVERIFY(!readShaderFile("absent.vert", text));
        QCOMPARE(console.text(), QString("Can't open file absent.vert\n"));
    }

    // The #version directive must stay ahead of everything but comments.
    void sampleLimitsFollowTheVersionLine_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        const QString defines = "#define maxSample 4095.0\n#define transferTableSize 4096.0\n";
        QTest::newRow("comment, then #version") << "// In: a\n\n#version 120\nvoid main() {}\n"
                                                << "// In: a\n\n#version 120\n" + defines + "#line 3\nvoid main() {}\n";
        QTest::newRow("no #version") << "void main() {}" << defines + "#line 0\nvoid main() {}";
        QTest::newRow("#version as the last line") << "#version 120" << "#version 120\n" + defines + "#line 1\n";
        QTest::newRow("#version in a comment") << "// #version 120\nvoid main() {}\n"
                                               << defines + "#line 0\n// #version 120\nvoid main() {}\n";
    }
    void sampleLimitsFollowTheVersionLine()
    {
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(withSampleLimits(source.toStdString())), expected);
    }

    // Moved into another window the view gets a new context; it keeps showing the volume it
    // was given instead of loading the start volume again.
    void keepsItsVolumeWhenTheContextIsReplaced()
    {
        writeBall(32, 32, 32);
        fillTable(1000, 4095, 0xFFFFFFFFu);
        startView(128, 128);
        QVERIFY(writeVolumeFile("cube.dat", 32, 16, 32, [](int x, int, int) { return uint16_t(x < 16 ? 3000 : 0); }));
        view->makeCurrent();
        view->setVolume(new Volume("cube.dat"));
        view->doneCurrent();
        const Volume *shown = view->volume();
        QVERIFY(shown && shown->isValid());
        const QImage before = view->grabFramebuffer();
        QVERIFY(!isBlack(before));

        QWidget otherWindow;
        otherWindow.resize(128, 128);
        QString printed;
        bool reinitialised = false;
        {
            ConsoleCapture console;
            view->setParent(&otherWindow);
            view->resize(128, 128);
            otherWindow.show();
            view->show();
            reinitialised = QTest::qWaitFor([&] { return view->initialisations == 2; }, 2000);
            printed = console.text();
        }
        const QImage after = view->grabFramebuffer();
        view->setParent(nullptr);

        QVERIFY2(reinitialised, "moving the view into another window made no new context");
        QCOMPARE(view->volume(), shown);
        QCOMPARE(view->volumeSize, (std::array<int, 3>{32, 16, 32}));
        QVERIFY2(!printed.contains("lobster.dat"), qPrintable(printed));
        QCOMPARE(after, before);
    }

    void forgetsItsVolumeSafely()
    {
        writeBall(16, 16, 16);
        startView(64, 64);
        view->makeCurrent();
        view->setVolume(nullptr);
        view->doneCurrent();
        QCOMPARE(view->volume(), nullptr);
        QVERIFY(isBlack(view->grabFramebuffer()));
    }

    void missingGLFeaturesAreNamedInOneLine()
    {
        writeBall(16, 16, 16);
        startView(64, 64);
        const GLboolean framebuffers = __GLEW_EXT_framebuffer_object;
        const GLboolean floatTextures = __GLEW_ARB_texture_float;
        __GLEW_EXT_framebuffer_object = GL_FALSE;
        __GLEW_ARB_texture_float = GL_FALSE;
        ConsoleCapture console;
        const bool usable = view->checkGLFeatures();
        __GLEW_EXT_framebuffer_object = framebuffers;
        __GLEW_ARB_texture_float = floatTextures;
        QVERIFY(!usable);
        QCOMPARE(console.text(), QString("OpenGL lacks framebuffer objects, float textures; the view stays black\n"));
        QVERIFY(view->checkGLFeatures());
    }

    void missingVolumeLeavesTheViewBlack()
    {
        fillTable(0, 4095, 0xFFFFFFFFu);
        ConsoleCapture console;
        startView(128, 128);
        QVERIFY2(console.text().contains("lobster.dat"), qPrintable(console.text()));
        QVERIFY(view->volume() && !view->volume()->isValid());
        QVERIFY(isBlack(view->grabFramebuffer()));
        view->setRenderMode(true);
        const QImage slices = view->grabFramebuffer();
        QCOMPARE(slices.pixel(64, 64), slices.pixel(1, 1));
    }

    void replacesItsVolume()
    {
        writeBall(256, 256, 128);
        startView(128, 128);
        QCOMPARE(view->boxScale, (std::array<float, 3>{1.0f, 1.0f, 0.5f}));
        const unsigned int firstTexture = view->volume()->texture;
        QVERIFY(writeVolumeFile("second.dat", 64, 128, 32, [](int, int, int) { return uint16_t(100); }));
        view->makeCurrent();
        view->setVolume(new Volume("second.dat"));
        QVERIFY(!glIsTexture(firstTexture));
        view->doneCurrent();
        QCOMPARE(view->boxScale, (std::array<float, 3>{0.5f, 1.0f, 0.25f}));
        QCOMPARE(view->volumeSize, (std::array<int, 3>{64, 128, 32}));
    }

    // Run by the suite a second time with QT_SCALE_FACTOR=2: the GL sizes are device
    // pixels, so the picture fills the view at full resolution.
    void pictureFillsTheViewAtAnyScale()
    {
        writeBall(64, 64, 64);
        fillTable(1500, 4095, 0xFFFFFFFFu);
        startView(200, 200);
        const QImage image = view->grabFramebuffer();
        const qreal ratio = view->devicePixelRatioF();
        QCOMPARE(image.size(), QSize(qRound(200 * ratio), qRound(200 * ratio)));
        QCOMPARE(backfaceSize(), image.size());
        const int c = image.width() / 2;
        QVERIFY(brightness(pixel(image, c, c)) > 60);
        QCOMPARE(brightness(pixel(image, 2, 2)), 0);
        // The ball reaches about a third of the way from the centre towards the edge.
        QVERIFY(brightness(pixel(image, c + image.width() / 6, c)) > 20);
    }

private:
    void writeBall(int x, int y, int z)
    {
        QVERIFY(writeVolumeFile("lobster.dat", x, y, z,
                                [=](int i, int j, int k) { return ballSample(i, j, k, x, y, z); }));
    }
    void fillTable(int from, int to, uint32_t word)
    {
        std::fill(table.begin() + from, table.begin() + to + 1, word);
    }
    void startView(int w, int h)
    {
        view = std::make_unique<ViewProbe>();
        view->setTransferTable(table.data());
        view->resize(w, h);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->setColors();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        view->stepCount = 500;
    }
    QSize backfaceSize()
    {
        view->makeCurrent();
        glActiveTexture(GL_TEXTURE2);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glActiveTexture(GL_TEXTURE0);
        view->doneCurrent();
        return QSize(w, h);
    }
    std::vector<float> backfaceTexels()
    {
        const QSize size = backfaceSize();
        std::vector<float> texels(size_t(size.width()) * size.height() * 4);
        view->makeCurrent();
        glActiveTexture(GL_TEXTURE2);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
        glActiveTexture(GL_TEXTURE0);
        view->doneCurrent();
        return texels;
    }
    std::vector<uint8_t> transferTexels()
    {
        std::vector<uint8_t> texels(4096 * 4);
        view->makeCurrent();
        glActiveTexture(GL_TEXTURE1);
        glGetTexImage(GL_TEXTURE_1D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glActiveTexture(GL_TEXTURE0);
        view->doneCurrent();
        return texels;
    }
    static bool isBlack(const QImage &image)
    {
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                if (brightness(pixel(image, x, y)) != 0)
                    return false;
        return true;
    }

    std::unique_ptr<ScratchWorkingDirectory> workDir;
    std::unique_ptr<ViewProbe> view;
    std::vector<uint32_t> table;
};

QTEST_MAIN(TestRenderer)
#include "tst_renderer.moc"
