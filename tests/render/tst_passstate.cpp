// Every frame, on screen or off, leaves the GL state as it found it: the toolkit composes
// the window with the same context, and the next pass and the texture uploads rely on
// what the last one left.
#include <GL/glew.h>

#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "RaySteps.h"
#include "ScratchWorkingDirectory.h"
#include "ViewProbe.h"

#include <QTest>

#include <array>
#include <memory>
#include <vector>

namespace {

struct GLState
{
    GLint program = 0;
    GLint framebuffer = 0;
    std::array<GLint, 4> viewport{};
    GLint activeUnit = 0;
    // Units 0 to 3: the volume's, the transfer, the back-face and the brick textures.
    std::array<GLint, 4> textures{};
    GLboolean culling = GL_FALSE;

    bool operator==(const GLState &o) const
    {
        return program == o.program && framebuffer == o.framebuffer && viewport == o.viewport
               && activeUnit == o.activeUnit && textures == o.textures && culling == o.culling;
    }
};

constexpr std::array<GLenum, 4> unitTargets{GL_TEXTURE_3D, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D};

GLState currentState()
{
    GLState s;
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &s.framebuffer);
    glGetIntegerv(GL_VIEWPORT, s.viewport.data());
    glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeUnit);
    for (int unit = 0; unit < 4; ++unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        const GLenum target = unitTargets[size_t(unit)];
        glGetIntegerv(target == GL_TEXTURE_1D   ? GL_TEXTURE_BINDING_1D
                      : target == GL_TEXTURE_2D ? GL_TEXTURE_BINDING_2D
                                                : GL_TEXTURE_BINDING_3D,
                      &s.textures[size_t(unit)]);
    }
    glActiveTexture(GLenum(s.activeUnit));
    s.culling = glIsEnabled(GL_CULL_FACE);
    return s;
}

QByteArray describe(const GLState &s)
{
    return QString::asprintf("program %d, framebuffer %d, viewport %d %d %d %d, unit %d, textures %d %d %d %d, culling %d",
                             s.program, s.framebuffer, s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3],
                             s.activeUnit - GL_TEXTURE0, s.textures[0], s.textures[1], s.textures[2], s.textures[3],
                             int(s.culling))
        .toUtf8();
}

class StateProbe : public ViewProbe
{
public:
    using ViewProbe::paintGL;
};

} // namespace

class TestPassState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }

    void framesLeaveTheGLStateAsTheyFoundIt_data()
    {
        QTest::addColumn<bool>("slices");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("dragging");
        QTest::newRow("rays") << false << false << false;
        QTest::newRow("slices") << true << false << false;
        QTest::newRow("rays, off-screen picture") << false << true << false;
        QTest::newRow("slices, off-screen picture") << true << true << false;
        // Drawn at a quarter of the pixels and stretched onto the view.
        QTest::newRow("rays, dragging") << false << false << true;
    }
    void framesLeaveTheGLStateAsTheyFoundIt()
    {
        QFETCH(bool, slices);
        QFETCH(bool, picture);
        QFETCH(bool, dragging);
        ScratchWorkingDirectory workDir;
        QVERIFY(workDir.isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 40, 40, 40, [](int x, int y, int z) { return ballSample(x, y, z, 40, 40, 40); }));
        // Opaque in the middle of the ball only, so that the outer bricks are skipped.
        std::vector<uint32_t> table(4096, 0u);
        std::fill(table.begin() + 3000, table.end(), 0xFFFFFFFFu);
        StateProbe view;
        view.setTransferTable(table.data());
        view.resize(96, 96);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.canRender());
        view.setColors();
        view.setRenderMode(slices);
        if (dragging)
            view.stepCount = dragStepCount(view.width());

        view.makeCurrent();
        GLuint framebuffer = 0, colour = 0;
        std::array<GLuint, 4> textures{};
        glGenTextures(4, textures.data());
        if (!picture) {
            // The off-screen picture binds the view's own framebuffer, as any GL call of
            // the view from outside a paint must.
            glGenFramebuffersEXT(1, &framebuffer);
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
            glGenRenderbuffersEXT(1, &colour);
            glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, colour);
            glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, 8, 8);
            glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, colour);
        }
        for (int unit = 0; unit < 4; ++unit) {
            glActiveTexture(GLenum(GL_TEXTURE0 + unit));
            glBindTexture(unitTargets[size_t(unit)], textures[size_t(unit)]);
        }
        glActiveTexture(GL_TEXTURE2);
        glViewport(1, 2, 30, 40);
        glUseProgram(slices ? view.rayProgram : view.sliceProgram);
        const GLState before = currentState();
        // A new table makes the frame upload the bricks' visibility anew.
        view.setTransferTable(table.data());
        if (picture) {
            QVERIFY(!view.renderPicture(QSize(64, 48)).isNull());
            view.makeCurrent();
        } else {
            view.paintGL();
        }
        const GLState after = currentState();

        glUseProgram(0);
        glDeleteTextures(4, textures.data());
        glDeleteFramebuffersEXT(1, &framebuffer);
        glDeleteRenderbuffersEXT(1, &colour);
        view.doneCurrent();
        QVERIFY2(after == before, describe(after) + "\ninstead of\n" + describe(before));
    }
};

QTEST_MAIN(TestPassState)
#include "tst_passstate.moc"
