#include <GL/glew.h>

#include "GLWidget.h"

#include "BrickVisibility.h"
#include "ConsoleLine.h"
#include "ContextWatch.h"
#include "OffscreenTarget.h"
#include "SampleLimits.h"
#include "ShaderSource.h"
#include "ViewGeometry.h"
#include "Volume.h"

#include <QMouseEvent>
#include <QSurfaceFormat>

#include <algorithm>
#include <string>

namespace {

constexpr int steadyStepCount = 500;
constexpr int dragStepBudget = 28000;

QSurfaceFormat viewFormat()
{
    // The passes use immediate mode, the fixed-function matrices and the GLSL 1.10
    // built-ins, so the context must be a compatibility one; the front pass needs depth.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    return format;
}

// Makes a texture unit active for one scope and makes unit 0 active again after it: every
// pass and every upload that needs another unit leaves unit 0 active, as the volume's own
// texture upload expects.
class TextureUnitScope
{
public:
    explicit TextureUnitScope(GLenum unit) { glActiveTexture(unit); }
    ~TextureUnitScope() { glActiveTexture(GL_TEXTURE0); }
    TextureUnitScope(const TextureUnitScope &) = delete;
    TextureUnitScope &operator=(const TextureUnitScope &) = delete;
};

void bindTexture(GLenum unit, GLenum target, GLuint texture)
{
    const TextureUnitScope scope(unit);
    glBindTexture(target, texture);
}

// Corner codes of the box's six faces, each wound clockwise as seen from outside. The
// projection flips the vertical axis, so faces turned towards the viewer reach the window
// counter-clockwise and count as front faces.
struct Corner
{
    signed char x, y, z;
};
constexpr Corner boxFaces[6][4] = {
    {{+1, +1, +1}, {+1, -1, +1}, {-1, -1, +1}, {-1, +1, +1}}, // z = +hz
    {{+1, +1, -1}, {+1, +1, +1}, {-1, +1, +1}, {-1, +1, -1}}, // y = +hy
    {{+1, -1, +1}, {+1, +1, +1}, {+1, +1, -1}, {+1, -1, -1}}, // x = +hx
    {{+1, -1, -1}, {+1, +1, -1}, {-1, +1, -1}, {-1, -1, -1}}, // z = -hz
    {{+1, -1, +1}, {+1, -1, -1}, {-1, -1, -1}, {-1, -1, +1}}, // y = -hy
    {{-1, +1, +1}, {-1, -1, +1}, {-1, -1, -1}, {-1, +1, -1}}, // x = -hx
};

} // namespace

GLWidget::GLWidget(QWidget *parent)
    : QOpenGLWidget(parent), ownTable(transferTableSize, 0u)
{
    // Until the window hands over the editor's table, the view reads a blank one of its own.
    transferTable = ownTable.data();
    setFormat(viewFormat());
    updateBoxScale();
}

GLWidget::~GLWidget()
{
    // The base class destroys the context after this destructor has run: release the GL
    // objects now and do not be called back for it.
    releaseGL(false);
    disconnect(contextWatch);
    delete shownVolume;
}

QSize GLWidget::minimumSizeHint() const
{
    return QSize(400, 400);
}

QSize GLWidget::sizeHint() const
{
    return QSize(400, 400);
}

void GLWidget::setVolume(Volume *v)
{
    if (v == shownVolume)
        return;
    if (shownVolume) {
        shownVolume->deleteTexture();
        delete shownVolume;
    }
    parkedTexture.clear();
    shownVolume = v;
    if (shownVolume) {
        const int *dims = shownVolume->dimensions();
        volumeSize = {dims[0], dims[1], dims[2]};
        delete[] dims;
        // Where the source states no spacing (a `.dat`), the voxels count as cubes.
        const VoxelSpacing spacing = shownVolume->spacing();
        voxelSpacing = spacing.known ? std::array<double, 3>{spacing.x, spacing.y, spacing.z}
                                     : std::array<double, 3>{1.0, 1.0, 1.0};
    } else {
        volumeSize = {1, 1, 1};
        voxelSpacing = {1.0, 1.0, 1.0};
    }
    updateBoxScale();
    brickVisibilityStale = true;
    emit volumeChanged();
}

void GLWidget::setTransferTable(const uint32_t *table)
{
    transferTable = table;
    std::vector<uint32_t>().swap(ownTable);
    brickVisibilityStale = true;
}

void GLWidget::setEmptySpaceSkipping(bool on)
{
    skipEmptySpace = on;
}

void GLWidget::setXRotation(int angle)
{
    setRotation(xRotation, angle);
}

void GLWidget::setYRotation(int angle)
{
    setRotation(yRotation, angle);
}

void GLWidget::setZRotation(int angle)
{
    setRotation(zRotation, angle);
}

// Whether the angle changed the rotation; draws nothing.
bool GLWidget::storeRotation(int &rotation, int angle)
{
    normalizeAngle(angle);
    if (angle == rotation)
        return false;
    rotation = angle;
    return true;
}

void GLWidget::setRotation(int &rotation, int angle)
{
    if (storeRotation(rotation, angle))
        repaint();
}

// The echo goes back to the slider that drove the setter; its setValue with an unchanged
// value emits nothing, so the round trip ends there.
void GLWidget::setLength(int length)
{
    sliceX = slicePosition(length);
    emit xRotationChanged(length);
    repaint();
}

void GLWidget::setWidth(int width)
{
    sliceY = slicePosition(width);
    emit yRotationChanged(width);
    repaint();
}

void GLWidget::setDepth(int depth)
{
    sliceZ = slicePosition(depth);
    emit zRotationChanged(depth);
    repaint();
}

void GLWidget::setColors()
{
    brickVisibilityStale = true;
    if (glAvailable()) {
        makeCurrent();
        uploadTransferTexture();
        doneCurrent();
    }
    repaint();
}

void GLWidget::setRenderMode(bool mode)
{
    renderMode = mode ? 1 : 0;
    repaint();
}

void GLWidget::zoomIn()
{
    zoomBy(1);
}

void GLWidget::zoomOut()
{
    zoomBy(-1);
}

void GLWidget::zoomBy(int steps)
{
    camera = zoomedCamera(camera, steps, width(), height(), framingSpan(boxScale));
    repaint();
}

void GLWidget::resetView()
{
    xRotation = yRotation = zRotation = 0;
    camera = ViewCamera();
    repaint();
}

void GLWidget::updateBoxScale()
{
    boxScale = boxScaleFor(volumeSize, voxelSpacing);
}

void GLWidget::mousePressEvent(QMouseEvent *event)
{
    lastMousePos = event->position().toPoint();
    // Moving the volume follows the mouse as turning does, with the quicker frames.
    if (event->buttons() & (Qt::LeftButton | Qt::MiddleButton))
        stepCount = dragStepBudget / std::max(1, width());
}

void GLWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int dx = pos.x() - lastMousePos.x();
    const int dy = pos.y() - lastMousePos.y();
    // A diagonal move turns about both axes and draws one frame for both.
    if (event->buttons() & Qt::LeftButton) {
        const bool tipped = storeRotation(xRotation, xRotation - 8 * dy);
        const bool turned = storeRotation(zRotation, zRotation + 8 * dx);
        if (tipped || turned)
            repaint();
    } else if (event->buttons() & Qt::MiddleButton) {
        camera = pannedCamera(camera, dx, dy, width(), height(), framingSpan(boxScale));
        repaint();
    }
    lastMousePos = pos;
}

void GLWidget::mouseReleaseEvent(QMouseEvent *)
{
    stepCount = steadyStepCount;
    repaint();
}

void GLWidget::wheelEvent(QWheelEvent *)
{
}

int GLWidget::deviceWidth() const
{
    return int(width() * devicePixelRatioF() + 0.5);
}

int GLWidget::deviceHeight() const
{
    return int(height() * devicePixelRatioF() + 0.5);
}

// A slot may only make GL calls once initializeGL has run in a live context; before that
// (a view that was never shown) initializeGL uploads the table as it then stands.
bool GLWidget::glAvailable() const
{
    return glReady && context() && isValid();
}

bool GLWidget::checkGLFeatures()
{
    std::string missing;
    const auto require = [&missing](bool present, const char *feature) {
        if (present)
            return;
        if (!missing.empty())
            missing += ", ";
        missing += feature;
    };
    require(GLEW_VERSION_1_2, "3D textures (OpenGL 1.2)");
    require(GLEW_VERSION_1_3, "multitexturing (OpenGL 1.3)");
    require(GLEW_VERSION_2_0, "GLSL shaders (OpenGL 2.0)");
    require(GLEW_EXT_framebuffer_object, "framebuffer objects");
    require(GLEW_ARB_texture_float, "float textures");
    if (missing.empty())
        return true;
    printConsole("OpenGL lacks " + missing + "; the view stays black\n");
    return false;
}

// Runs for every new context: once at the first show, and again whenever the toolkit has
// replaced the context (the view moved to another window or screen).
void GLWidget::initializeGL()
{
    disconnect(contextWatch);
    contextWatch = callBeforeContextDestruction(this, [this] { releaseGL(true); });

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    const GLenum glewStatus = glewInit();
    if (glewStatus != GLEW_OK && !GLEW_VERSION_1_1)
        printConsole(std::string("Can't initialise GLEW: ") +
                     reinterpret_cast<const char *>(glewGetErrorString(glewStatus)) + "\n");
    glReady = checkGLFeatures();
    if (!glReady)
        return;

    const GLfloat ambient[] = {0.25f, 0.25f, 0.25f, 1.0f};
    const GLfloat diffuse[] = {0.75f, 0.75f, 0.75f, 1.0f};
    const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 8.0f);
    glEnable(GL_LIGHT0);

    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_TEXTURE_3D);

    uploadTransferTexture();
    createBackfaceTarget();
    rayProgram = loadProgram("shader1");
    showStartVolume();

    glUseProgram(rayProgram);
    glUniform1i(glGetUniformLocation(rayProgram, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(rayProgram, "transferTex"), 1);
    glUniform1i(glGetUniformLocation(rayProgram, "backfaceTex"), 2);
    glUniform1i(glGetUniformLocation(rayProgram, "steps"), stepCount);
    glUniform1i(glGetUniformLocation(rayProgram, "brickTex"), 3);
    brickVisibilityStale = true;

    sliceProgram = loadProgram("slice_shader");
    glUseProgram(sliceProgram);
    glUniform1i(glGetUniformLocation(sliceProgram, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(sliceProgram, "transferTex"), 1);

    // Every frame starts from the window's framebuffer with no program current. A context
    // made for a view that moved to another window gets no resize, so the projection is set
    // here as well.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, defaultFramebufferObject());
    glUseProgram(0);
    setViewport();
}

// The first context loads the start volume from the working directory; a later one
// uploads again the texture of the volume the view already shows.
void GLWidget::showStartVolume()
{
    if (!startVolumeLoaded) {
        startVolumeLoaded = true;
        setVolume(new Volume("lobster.dat"));
        renderMode = 0;
    } else if (shownVolume) {
        parkedTexture.restore(*shownVolume);
    }
}

// Releases every GL object of the view, in its own context; runs from the destructor and
// when the toolkit destroys the context (after which initializeGL builds everything anew).
// keepVolume parks the volume's texture in main memory for the next context.
void GLWidget::releaseGL(bool keepVolume)
{
    if (!glReady || !context())
        return;
    makeCurrent();
    if (shownVolume) {
        if (keepVolume)
            parkedTexture.park(*shownVolume);
        else
            shownVolume->deleteTexture();
    }
    glDeleteTextures(1, &transferTexture);
    glDeleteTextures(1, &backfaceTexture);
    glDeleteTextures(1, &brickTexture);
    glDeleteFramebuffersEXT(1, &frameBuffer);
    glDeleteProgram(rayProgram);
    glDeleteProgram(sliceProgram);
    transferTexture = backfaceTexture = brickTexture = frameBuffer = rayProgram = sliceProgram = 0;
    glReady = backfaceTargetReady = false;
    // A new context gets its own brick texture at its first frame.
    brickVisibilityStale = true;
    doneCurrent();
}

unsigned int GLWidget::compileStage(unsigned int type, const char *text)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    printInfoLog(shader);
    return shader;
}

// Builds, links and makes current the program of baseName.vert and baseName.frag. A
// missing stage or a program that does not link gives 0: the pass that needs it draws
// nothing, instead of drawing the box with the fixed-function pipeline.
unsigned int GLWidget::loadProgram(const char *baseName)
{
    std::string vertexText, fragmentText;
    const bool vertexRead = readShaderFile((std::string(baseName) + ".vert").c_str(), vertexText);
    const bool fragmentRead = readShaderFile((std::string(baseName) + ".frag").c_str(), fragmentText);
    const GLuint vertexShader = vertexRead ? compileStage(GL_VERTEX_SHADER, withSampleLimits(vertexText).c_str()) : 0;
    const GLuint fragmentShader =
        fragmentRead ? compileStage(GL_FRAGMENT_SHADER, withSampleLimits(fragmentText).c_str()) : 0;
    if (!vertexShader || !fragmentShader) {
        glDeleteShader(vertexShader);
        glDeleteShader(fragmentShader);
        return 0;
    }

    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    // Flagged for deletion: they go with the program.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    glLinkProgram(program);
    printInfoLog(program);

    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        program = 0;
    }
    glUseProgram(program);
    return program;
}

void GLWidget::printInfoLog(unsigned int object)
{
    const bool isShader = glIsShader(object);
    GLint length = 0;
    if (isShader)
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(std::max(length, 1)), '\0');
    GLsizei written = 0;
    if (isShader)
        glGetShaderInfoLog(object, GLsizei(log.size()), &written, log.data());
    else
        glGetProgramInfoLog(object, GLsizei(log.size()), &written, log.data());
    if (written > 0)
        printConsole(log.substr(0, size_t(written)) + "\n");
}

// The back-face texture stays attached to the framebuffer object for the view's life; a
// resize gives it new storage in place.
void GLWidget::createBackfaceTarget()
{
    {
        const TextureUnitScope scope(GL_TEXTURE2);
        glGenTextures(1, &backfaceTexture);
        glBindTexture(GL_TEXTURE_2D, backfaceTexture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    }
    allocateBackfaceTexture(deviceWidth(), deviceHeight());

    glGenFramebuffersEXT(1, &frameBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, backfaceTexture, 0);
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    backfaceTargetReady = status == GL_FRAMEBUFFER_COMPLETE_EXT;
    if (!backfaceTargetReady)
        printConsole("The back-face framebuffer is incomplete (status 0x" + QByteArray::number(status, 16).toStdString()
                     + "); ray casting draws nothing\n");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, defaultFramebufferObject());
}

// Level 0 as four 32-bit floats per texel; the contents are undefined until the next
// back-face pass.
void GLWidget::allocateBackfaceTexture(int w, int h)
{
    const TextureUnitScope scope(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, backfaceTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F_ARB, w, h, 0, GL_RGBA, GL_FLOAT, nullptr);
}

void GLWidget::resizeGL(int, int)
{
    if (!glReady)
        return;
    setViewport();
    allocateBackfaceTexture(deviceWidth(), deviceHeight());
}

void GLWidget::setViewport()
{
    glViewport(0, 0, deviceWidth(), deviceHeight());
}

void GLWidget::paintGL()
{
    if (renderMode == 1)
        glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
    else
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!glReady)
        return;

    const QSize size = targetSize();
    loadProjection(size.width(), size.height());
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, viewDistance);
    glRotated(xRotation * 0.0625, 1.0, 0.0, 0.0);
    glRotated(yRotation * 0.0625, 0.0, 1.0, 0.0);
    glRotated(zRotation * 0.0625, 0.0, 0.0, 1.0);
    renderVolume();
}

// The framing follows the box of the current volume and the camera, so it is set anew
// for every frame. Leaves the modelview matrix current.
void GLWidget::loadProjection(int w, int h)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const OrthoBounds b = cameraBounds(w, h, framingSpan(boxScale), camera);
    glOrtho(b.left, b.right, b.bottom, b.top, 4.0, 15.0);
    glMatrixMode(GL_MODELVIEW);
}

unsigned int GLWidget::targetFramebuffer() const
{
    return pictureFramebuffer ? pictureFramebuffer : defaultFramebufferObject();
}

QSize GLWidget::targetSize() const
{
    return pictureFramebuffer ? pictureSize : deviceSize();
}

bool GLWidget::canRender() const
{
    return glAvailable() && rayProgram && sliceProgram;
}

QImage GLWidget::renderPicture(const QSize &size)
{
    if (!canRender())
        return QImage();
    makeCurrent();
    QImage picture;
    {
        OffscreenTarget target(size);
        if (target.isComplete()) {
            pictureFramebuffer = target.framebuffer();
            pictureSize = size;
            const int viewStepCount = stepCount;
            stepCount = steadyStepCount;
            allocateBackfaceTexture(size.width(), size.height());
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, pictureFramebuffer);
            glViewport(0, 0, size.width(), size.height());
            paintGL();
            picture = target.readImage();

            stepCount = viewStepCount;
            pictureFramebuffer = 0;
            pictureSize = QSize();
            allocateBackfaceTexture(deviceWidth(), deviceHeight());
            glViewport(0, 0, deviceWidth(), deviceHeight());
        }
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, defaultFramebufferObject());
    doneCurrent();
    return picture;
}

void GLWidget::renderVolume()
{
    if (!shownVolume || !shownVolume->isValid() || shownVolume->texture == 0)
        return;
    if (renderMode == 1) {
        renderSlices();
    } else if (renderMode == 0 && backfaceTargetReady) {
        renderBackFaces();
        renderRays();
    }
}

// Draws the far faces into the back-face texture: each covered texel receives the volume
// texture coordinate at which its ray leaves the box; the rest keeps (0, 0, 0, 1).
void GLWidget::renderBackFaces()
{
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glPushAttrib(GL_VIEWPORT_BIT);
    const QSize size = targetSize();
    glViewport(0, 0, size.width(), size.height());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glDisable(GL_TEXTURE_3D);
    drawBox();
    glDisable(GL_CULL_FACE);
    glPopAttrib();
}

// Draws the near faces into the window with the ray program; the depth test keeps the
// nearest face, whose texture coordinate is the ray's entry point.
void GLWidget::renderRays()
{
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, targetFramebuffer());
    glEnable(GL_TEXTURE_3D);
    if (!rayProgram)
        return;
    bindTexture(GL_TEXTURE0, GL_TEXTURE_3D, shownVolume->texture);
    bindTexture(GL_TEXTURE1, GL_TEXTURE_1D, transferTexture);
    bindTexture(GL_TEXTURE2, GL_TEXTURE_2D, backfaceTexture);
    if (brickVisibilityStale)
        uploadBrickVisibility();
    bindTexture(GL_TEXTURE3, GL_TEXTURE_3D, brickTexture);
    glUseProgram(rayProgram);
    glUniform1i(glGetUniformLocation(rayProgram, "steps"), stepCount);
    setBrickUniforms();
    drawBox();
    glUseProgram(0);
}

void GLWidget::drawBox()
{
    const float h[3] = {boxScale[0] * 0.5f, boxScale[1] * 0.5f, boxScale[2] * 0.5f};
    glBegin(GL_QUADS);
    for (const auto &face : boxFaces) {
        for (const Corner &c : face) {
            boxVertex(c.x > 0 ? 1.0f : 0.0f, c.y > 0 ? 1.0f : 0.0f, c.z > 0 ? 1.0f : 0.0f);
            glVertex3f(c.x * h[0], c.y * h[1], c.z * h[2]);
        }
    }
    glEnd();
}

void GLWidget::boxVertex(float s, float t, float r)
{
    glColor3f(s, t, r);
    glMultiTexCoord3f(GL_TEXTURE0, s, t, r);
}

// The table's 32-bit words 0xAARRGGBB lie in memory as blue, green, red, alpha; read as
// RGBA bytes, texel i carries the editor's blue in red and its red in blue. The shaders
// swap them back.
void GLWidget::uploadTransferTexture()
{
    const TextureUnitScope scope(GL_TEXTURE1);
    if (transferTexture != 0)
        glDeleteTextures(1, &transferTexture);
    glGenTextures(1, &transferTexture);
    glBindTexture(GL_TEXTURE_1D, transferTexture);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, transferTableSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 transferTable);
}

// One luminance byte per brick, nearest filtering: the ray program reads it once per brick
// it enters. Leaves unit 0 active.
void GLWidget::uploadBrickVisibility()
{
    computeBrickVisibility(shownVolume->bricks, transferTable, brickVisibility);
    anyBrickHidden = std::find(brickVisibility.begin(), brickVisibility.end(), 0) != brickVisibility.end();
    const std::array<int, 3> &counts = shownVolume->bricks.brickCounts();
    const TextureUnitScope scope(GL_TEXTURE3);
    if (brickTexture == 0) {
        glGenTextures(1, &brickTexture);
        glBindTexture(GL_TEXTURE_3D, brickTexture);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    } else {
        glBindTexture(GL_TEXTURE_3D, brickTexture);
    }
    // Rows of single bytes need not start on 4-byte boundaries.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_LUMINANCE8, counts[0], counts[1], counts[2], 0, GL_LUMINANCE,
                 GL_UNSIGNED_BYTE, brickVisibility.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    brickVisibilityStale = false;
}

void GLWidget::setBrickUniforms()
{
    const std::array<int, 3> &counts = shownVolume->bricks.brickCounts();
    const float brick = float(BrickRanges::brickSize);
    glUniform3f(glGetUniformLocation(rayProgram, "brickCount"), float(counts[0]), float(counts[1]),
                float(counts[2]));
    glUniform3f(glGetUniformLocation(rayProgram, "bricksPerUnit"), float(volumeSize[0]) / brick,
                float(volumeSize[1]) / brick, float(volumeSize[2]) / brick);
    glUniform1i(glGetUniformLocation(rayProgram, "skipEmpty"), skipEmptySpace && anyBrickHidden ? 1 : 0);
}

void GLWidget::renderSlices()
{
    glUseProgram(sliceProgram);
    if (!sliceProgram)
        return;
    bindTexture(GL_TEXTURE0, GL_TEXTURE_3D, shownVolume->texture);
    bindTexture(GL_TEXTURE1, GL_TEXTURE_1D, transferTexture);
    const double hx = boxScale[0] * 0.5f, hy = boxScale[1] * 0.5f, hz = boxScale[2] * 0.5f;
    const std::array<float, 3> p = slicePlanes({float(hx), float(hy), float(hz)}, sliceX, sliceY, sliceZ);
    const double xp = p[0], yp = p[1], zp = p[2];
    const double s = 1.0 - sliceX, t = 1.0 - sliceY, r = 1.0 - sliceZ;

    glBegin(GL_QUADS);
    glTexCoord3d(1, 1, r); glVertex3d(hx, hy, zp);
    glTexCoord3d(1, 0, r); glVertex3d(hx, -hy, zp);
    glTexCoord3d(0, 0, r); glVertex3d(-hx, -hy, zp);
    glTexCoord3d(0, 1, r); glVertex3d(-hx, hy, zp);
    glEnd();

    glBegin(GL_QUADS);
    glTexCoord3d(1, t, 1); glVertex3d(hx, yp, -hz);
    glTexCoord3d(1, t, 0); glVertex3d(hx, yp, hz);
    glTexCoord3d(0, t, 0); glVertex3d(-hx, yp, hz);
    glTexCoord3d(0, t, 1); glVertex3d(-hx, yp, -hz);
    glEnd();

    glBegin(GL_QUADS);
    glTexCoord3d(s, 1, 0); glVertex3d(xp, hy, hz);
    glTexCoord3d(s, 0, 0); glVertex3d(xp, -hy, hz);
    glTexCoord3d(s, 0, 1); glVertex3d(xp, -hy, -hz);
    glTexCoord3d(s, 1, 1); glVertex3d(xp, hy, -hz);
    glEnd();

    glUseProgram(0);
}
