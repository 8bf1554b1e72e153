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
#include "VolumeBox.h"
#include "Volume.h"

#include <QMouseEvent>

GLWidget::GLWidget(QWidget *parent)
    : QOpenGLWidget(parent), ownTable(transferTableSize, 0u), marker(new OrientationMarker(this))
{
    marker->hide();
    // Until the window hands over the editor's table, the view reads a blank one of its own.
    transferTable = ownTable.data();
    setFormat(viewSurfaceFormat());
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
    // The box covers the volume's own grid, not the padding or coarsening of its texture.
    grid = v ? shownGridOf(v->statedSize(), v->textureGrid(), v->spacing()) : ShownGrid();
    volumeSize = grid.voxels;
    updateBoxScale();
    const PatientFrame frame = shownVolume ? shownVolume->frame() : PatientFrame();
    boxAxes = boxAxesFor(frame);
    marker->setVisible(frame.known);
    rayCasting.samplesChanged();
    emit volumeChanged();
}

void GLWidget::setTransferTable(const uint32_t *table)
{
    transferTable = table;
    std::vector<uint32_t>().swap(ownTable);
    rayCasting.tableChanged();
}

void GLWidget::setEmptySpaceSkipping(bool on)
{
    rayCasting.setEmptySpaceSkipping(on);
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
    rayCasting.tableChanged();
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
    framing.zoom(steps, size(), boxScale);
    repaint();
}

void GLWidget::setViewCamera(const ViewCamera &camera)
{
    framing.set(camera, size(), boxScale);
    repaint();
}

void GLWidget::resetView()
{
    xRotation = yRotation = zRotation = 0;
    framing.reset();
    repaint();
}

void GLWidget::setCropBox(const CropBox &box)
{
    const CropBox normalized = normalizedCropBox(box);
    if (normalized == crop)
        return;
    crop = normalized;
    rayCasting.volumeChanged();
    emit cropBoxChanged(crop);
    repaint();
}

void GLWidget::resetCropBox()
{
    setCropBox(fullCropBox);
}

void GLWidget::setProjectionMode(ProjectionMode mode)
{
    if (mode == projection)
        return;
    projection = mode;
    emit projectionModeChanged(mode);
    repaint();
}

void GLWidget::setProjectionGreys(const ProjectionGreys &greys)
{
    if (greys == projectionGreys)
        return;
    projectionGreys = greys;
    if (projection != ProjectionMode::Composite)
        repaint();
}

void GLWidget::updateBoxScale()
{
    boxScale = boxScaleFor(volumeSize, grid.spacing);
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
        framing.pan(dx, dy, size(), boxScale);
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

QSize GLWidget::deviceSize() const
{
    const double ratio = devicePixelRatioF();
    return QSize(int(width() * ratio + 0.5), int(height() * ratio + 0.5));
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
    rayCasting.create(deviceSize());
    buildPrograms();

    // Every frame starts from the window's framebuffer with no program current. A context
    // made for a view that moved to another window gets no resize, so the viewport is set
    // here as well.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, defaultFramebufferObject());
    glUseProgram(0);
    glViewport(0, 0, deviceSize().width(), deviceSize().height());
}

// The console lines follow this order: the ray program's logs, the start volume's lines,
// the slice program's logs.
void GLWidget::buildPrograms()
{
    rayProgram = loadProgram("shader1");
    showStartVolume();
    RayPass::assignTextureUnits(rayProgram);

    sliceProgram = loadProgram("slice_shader");
    SlicePass::assignTextureUnits(sliceProgram);
    rayCasting.buildProjectionProgram();
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
    if (shownVolume && keepVolume)
        parkedTexture.park(*shownVolume);
    else if (shownVolume)
        shownVolume->deleteTexture();
    glDeleteTextures(1, &transferTexture);
    rayCasting.release();
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
    glViewport(0, 0, deviceSize().width(), deviceSize().height());
    rayCasting.resize(deviceSize());
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
    const QImage picture =
        OffscreenTarget::picture(size, [this](const RenderTarget &target) { drawFrame(target, steadyStepCount); });
    // A large picture's back-face texture is not worth keeping.
    rayCasting.fit(deviceSize());
    doneCurrent();
    return picture;
}

void GLWidget::drawFrame(const RenderTarget &target, int steps)
{
    const GLStateGuard guard;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    glViewport(0, 0, target.size.width(), target.size.height());
    clearFrame();
    framing.loadProjection(target.size, boxScale);
    loadBoxModelView(viewDistance, {xRotation, yRotation, zRotation}, boxAxes);
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

void GLWidget::renderVolume(const RenderTarget &target, int steps)
{
    if (!shownVolume || !shownVolume->isValid() || shownVolume->texture == 0)
        return;
    PassFrame frame;
    frame.volumeTexture = shownVolume->texture;
    frame.transferTexture = transferTexture;
    frame.boxScale = boxScale;
    frame.textureExtent = grid.textureExtent;
    frame.crop = crop;
    frame.steps = steps;
    frame.slices = {sliceX, sliceY, sliceZ};
    frame.slicesMatchBox = shownVolume->frame().known;
    frame.projection = projection;
    frame.greys = projectionGreys;
    if (renderMode == 1) {
        frame.program = sliceProgram;
        SlicePass::render(target, frame);
    } else if (renderMode == 0) {
        frame.program = rayProgram;
        rayCasting.render(target, frame, transferTable, shownVolume->bricks, grid);
    }
}

void GLWidget::uploadTransferTexture()
{
    uploadTransferTable(transferTexture, transferTable);
    rayCasting.tableChanged();
}
