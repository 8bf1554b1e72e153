#include <GL/glew.h>

#include "GLWidget.h"

#include "ContextWatch.h"
#include "GLFeatures.h"
#include "GLStateGuard.h"
#include "OffscreenTarget.h"
#include "OrientationMarker.h"
#include "RayPass.h"
#include "RaySteps.h"
#include "SampleLimits.h"
#include "ShaderProgram.h"
#include "SlicePass.h"
#include "TransferTexture.h"
#include "ViewGeometry.h"
#include "Volume.h"

#include <QMouseEvent>
#include <QSurfaceFormat>

namespace {

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

} // namespace

GLWidget::GLWidget(QWidget *parent)
    : QOpenGLWidget(parent), ownTable(transferTableSize, 0u), marker(new OrientationMarker(this))
{
    marker->hide();
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
    const PatientFrame frame = shownVolume ? shownVolume->frame() : PatientFrame();
    boxAxes = boxAxesFor(frame);
    marker->setVisible(frame.known);
    skipping.markStale();
    emit volumeChanged();
}

void GLWidget::setTransferTable(const uint32_t *table)
{
    transferTable = table;
    std::vector<uint32_t>().swap(ownTable);
    skipping.markStale();
}

void GLWidget::setEmptySpaceSkipping(bool on)
{
    skipping.setEnabled(on);
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
    skipping.markStale();
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

void GLWidget::setCropBox(const CropBox &box)
{
    const CropBox normalized = normalizedCropBox(box);
    if (normalized == crop)
        return;
    crop = normalized;
    skipping.markStale();
    emit cropBoxChanged(crop);
    repaint();
}

void GLWidget::resetCropBox()
{
    setCropBox(fullCropBox);
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
        stepCount = dragStepCount(width());
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
    return hasViewGLFeatures();
}

// Runs for every new context: once at the first show, and again whenever the toolkit has
// replaced the context (the view moved to another window or screen).
void GLWidget::initializeGL()
{
    disconnect(contextWatch);
    contextWatch = callBeforeContextDestruction(this, [this] { releaseGL(true); });

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    loadGLEntryPoints();
    glReady = checkGLFeatures();
    if (!glReady)
        return;

    RayPass::setLighting();
    // The depth test keeps the near faces of the box and resolves where the slice planes
    // cross.
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_TEXTURE_3D);
    uploadTransferTexture();
    backfaces.create(deviceSize());
    skipping.markStale();
    buildPrograms();

    // Every frame starts from the window's framebuffer with no program current. A context
    // made for a view that moved to another window gets no resize, so the viewport is set
    // here as well.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, defaultFramebufferObject());
    glUseProgram(0);
    glViewport(0, 0, deviceWidth(), deviceHeight());
}

// The console lines follow this order: the ray program's logs, the start volume's lines,
// the slice program's logs.
void GLWidget::buildPrograms()
{
    rayProgram = loadProgram("shader1");
    showStartVolume();
    glUseProgram(rayProgram);
    glUniform1i(glGetUniformLocation(rayProgram, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(rayProgram, "transferTex"), 1);
    glUniform1i(glGetUniformLocation(rayProgram, "backfaceTex"), 2);
    glUniform1i(glGetUniformLocation(rayProgram, "steps"), stepCount);
    glUniform1i(glGetUniformLocation(rayProgram, "brickTex"), 3);

    sliceProgram = loadProgram("slice_shader");
    glUseProgram(sliceProgram);
    glUniform1i(glGetUniformLocation(sliceProgram, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(sliceProgram, "transferTex"), 1);
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
    backfaces.release();
    skipping.release();
    glDeleteProgram(rayProgram);
    glDeleteProgram(sliceProgram);
    transferTexture = rayProgram = sliceProgram = 0;
    glReady = false;
    doneCurrent();
}

void GLWidget::resizeGL(int, int)
{
    marker->move(4, height() - marker->height() - 4);
    if (!glReady)
        return;
    glViewport(0, 0, deviceWidth(), deviceHeight());
    backfaces.resize(deviceSize());
}

void GLWidget::paintGL()
{
    marker->setTurn(xRotation, yRotation, zRotation);
    if (glReady)
        drawFrame(RenderTarget{defaultFramebufferObject(), deviceSize()}, stepCount);
    else
        clearFrame();
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
        // Giving the back-face texture the picture's size, and back, binds it on unit 2.
        const GLStateGuard guard({{2, GL_TEXTURE_2D}});
        const OffscreenTarget target(size);
        if (target.isComplete()) {
            backfaces.resize(size);
            drawFrame(RenderTarget{target.framebuffer(), size}, steadyStepCount);
            picture = target.readImage();
            backfaces.resize(deviceSize());
        }
    }
    doneCurrent();
    return picture;
}

void GLWidget::drawFrame(const RenderTarget &target, int steps)
{
    const GLStateGuard guard;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    glViewport(0, 0, target.size.width(), target.size.height());
    clearFrame();
    loadProjection(target.size);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, viewDistance);
    glRotated(xRotation * 0.0625, 1.0, 0.0, 0.0);
    glRotated(yRotation * 0.0625, 0.0, 1.0, 0.0);
    glRotated(zRotation * 0.0625, 0.0, 0.0, 1.0);
    glMultMatrixf(boxAxes.matrix().data());
    // A box turned by a mirroring permutation reaches the window with its faces wound the
    // other way round; the back-face pass culls by winding.
    glFrontFace(boxAxes.mirrors() ? GL_CW : GL_CCW);
    renderVolume(target, steps);
    glFrontFace(GL_CCW);
}

// The mode's background, with GL 1.1 calls only, which need no entry point from GLEW:
// without the GL features the passes need, this is all a frame does.
void GLWidget::clearFrame()
{
    if (renderMode == 1)
        glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
    else
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The framing follows the box of the current volume and the camera, so it is set anew
// for every frame. Leaves the modelview matrix current.
void GLWidget::loadProjection(const QSize &size)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const OrthoBounds b = cameraBounds(size.width(), size.height(), framingSpan(boxScale), camera);
    glOrtho(b.left, b.right, b.bottom, b.top, 4.0, 15.0);
    glMatrixMode(GL_MODELVIEW);
}

void GLWidget::renderVolume(const RenderTarget &target, int steps)
{
    if (!shownVolume || !shownVolume->isValid() || shownVolume->texture == 0)
        return;
    if (renderMode == 1) {
        SlicePass::render(target, {sliceProgram, shownVolume->texture, transferTexture, boxScale, {sliceX, sliceY, sliceZ}});
    } else if (renderMode == 0 && backfaces.isReady()) {
        backfaces.render(target.size, boxScale);
        skipping.update(shownVolume->bricks, volumeSize, transferTable, crop);
        RayPass::render(target, {rayProgram, shownVolume->texture, transferTexture, backfaces.texture(), &skipping,
                                 boxScale, crop, steps});
    }
}

void GLWidget::uploadTransferTexture()
{
    uploadTransferTable(transferTexture, transferTable);
}
