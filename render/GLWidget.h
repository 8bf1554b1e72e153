#pragma once

#include "CropBox.h"
#include "ParkedVolumeTexture.h"
#include "PatientBox.h"
#include "ProjectionGreys.h"
#include "ProjectionMode.h"
#include "RayCasting.h"
#include "RenderTarget.h"
#include "ShownGrid.h"
#include "ViewFraming.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QPoint>

#include <array>
#include <cstdint>
#include <vector>

class OrientationMarker;
class Volume;

// The OpenGL view: holds the current Volume, the view rotation, the three slice positions,
// the render mode and the ray-marching step count, and turns mouse drags and slider values
// into a synchronous repaint.
//
// A frame is two-pass ray casting (RayCasting): the far faces of the volume's box are drawn
// into a float texture (BackfacePass), so each pixel knows where its ray leaves the box;
// then the near faces are drawn with the ray program (RayPass), which marches from the entry
// point to that exit point through the 3D volume texture (unit 0), classifying each sample
// through the 1D transfer texture (unit 1) and stepping over empty bricks
// (EmptySpaceSkipping, unit 3). While the volume is turned or moved, the rays take fewer
// steps, through a transfer texture whose opacities are corrected for the longer step, and
// a quarter of the pixels are cast and stretched onto the view (ReducedTarget). The slice
// mode draws three axis-aligned planes with the slice program instead (SlicePass); a
// projection mode (MIP, MinIP, average) marches the same rays with the projection program
// and shows a grey through the 2-D views' window (ProjectionPass). The view
// keeps the state, the programs and the transfer texture, and hands each pass a PassFrame
// and the target to draw into: its own framebuffer, or an off-screen one for a picture.
//
// The box covers the volume's own grid (ShownGrid), whatever padding or coarsening its
// texture holds, with the volume's physical proportions; an oriented volume stands in it as
// a person facing the viewer (PatientBox). The zoom and position on top of that are
// ViewFraming's.
//
// The view owns the volume it shows. When its GL context is replaced (the view moved to
// another window or screen), it rebuilds every GL object, the volume's texture included, for
// the volume it already shows.
//
// GL sizes (viewport, back-face texture) are device pixels; the mouse arithmetic stays in
// widget pixels.
class GLWidget : public QOpenGLWidget
{
    Q_OBJECT

public:
    explicit GLWidget(QWidget *parent = nullptr);
    ~GLWidget() override;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // Takes ownership of v and drops the volume held so far, with its texture; null leaves
    // the view without a volume. The texture of v must live in this view's context, which
    // must be current when a volume with a texture is dropped. The box takes the volume's
    // physical proportions where its source states the voxel spacing. Does not repaint.
    void setVolume(Volume *v);
    // The volume the view owns and shows; null before the first initialisation and after
    // setVolume(nullptr).
    const Volume *volume() const { return shownVolume; }
    // The table is borrowed: its owner keeps writing into it and the view reads it in
    // place on every setColors().
    void setTransferTable(const uint32_t *table);
    // Whether rays step over the bricks the transfer function makes transparent (on by
    // default); the picture is the same either way. Does not repaint.
    void setEmptySpaceSkipping(bool on);
    // The box within the volume the ray caster draws, normalised (CropBox); the full box at
    // first. Kept when the volume is replaced.
    const CropBox &cropBox() const { return crop; }

    // One resting frame of the current view drawn off screen at size (device pixels) and
    // read back; a null image where the GL is not ready, a program is missing or the
    // driver cannot render that size. Leaves the view as it was.
    QImage renderPicture(const QSize &size);
    // Whether frames show the volume: the GL has what the passes need and both programs
    // were built.
    bool canRender() const;
    // The zoom and the position of the view, which + and -, the middle button and Home change.
    const ViewCamera &viewCamera() const { return framing.camera(); }
    // Sets zoom and position at once, within the limits that + , - and the middle button
    // keep; repaints.
    void setViewCamera(const ViewCamera &camera);
    QSize deviceSize() const;
    // What the rays show: the transfer function's picture (the start) or a projection.
    ProjectionMode projectionMode() const { return projection; }

signals:
    void xRotationChanged(int angle);
    void yRotationChanged(int angle);
    void zRotationChanged(int angle);
    void cropBoxChanged(const CropBox &box);
    // setVolume has replaced the volume shown (or dropped it).
    void volumeChanged();
    void projectionModeChanged(ProjectionMode mode);

public slots:
    void setXRotation(int angle);
    void setYRotation(int angle);
    void setZRotation(int angle);
    void setLength(int length);
    void setWidth(int width);
    void setDepth(int depth);
    void setColors();
    void setRenderMode(bool mode);
    // Zoom about the view's centre, and back to the start orientation, zoom and position.
    void zoomIn();
    void zoomOut();
    void resetView();
    // Limits what the ray caster draws, at rest and while dragging, to the box (x0, x1, y0,
    // y1, z0, z1 as fractions of the volume's extent along its voxel axes); a change is
    // announced once and repainted. The slice mode shows the whole volume.
    void setCropBox(const CropBox &box);
    void resetCropBox();
    // Repaint where the change shows; a mode change is announced once.
    void setProjectionMode(ProjectionMode mode);
    void setProjectionGreys(const ProjectionGreys &greys);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    // The view's state, open to subclasses that look at it (the tests' probes).
    bool checkGLFeatures();
    const uint32_t *transferTable = nullptr;
    unsigned int transferTexture = 0;
    unsigned int rayProgram = 0;
    unsigned int sliceProgram = 0;
    int xRotation = 0;
    int yRotation = 0;
    int zRotation = 0;
    float viewDistance = -10.0f;
    float sliceX = 0.0f;
    float sliceY = 0.0f;
    float sliceZ = 0.0f;
    std::array<int, 3> volumeSize{1, 1, 1};
    std::array<float, 3> boxScale{1.0f, 1.0f, 1.0f};
    int renderMode = 0;
    int stepCount = 800;
    QPoint lastMousePos;

private:
    bool glAvailable() const;
    void updateBoxScale();
    bool storeRotation(int &rotation, int angle);
    void setRotation(int &rotation, int angle);
    void zoomBy(int steps);

    void buildPrograms();
    void uploadTransferTexture();
    void showStartVolume();
    void drawFrame(const RenderTarget &target, int steps);
    void clearFrame();
    void renderVolume(const RenderTarget &target, int steps);
    void releaseGL(bool keepVolume);

    Volume *shownVolume = nullptr;
    // The shown volume's own grid, which the box, its proportions and its texture
    // coordinates cover.
    ShownGrid grid;
    ParkedVolumeTexture parkedTexture;
    std::vector<uint32_t> ownTable;
    RayCasting rayCasting;
    QMetaObject::Connection contextWatch;
    ViewFraming framing;
    CropBox crop = fullCropBox;
    ProjectionMode projection = ProjectionMode::Composite;
    ProjectionGreys projectionGreys;
    // The box of an oriented volume turned into the patient's orientation, and the marker
    // of the patient's axes shown over such a volume.
    BoxAxes boxAxes;
    OrientationMarker *marker;
    // False until initializeGL has found GLEW and every GL feature the passes need.
    bool glReady = false;
    // The start volume is loaded once, by the first initialisation; a later context
    // rebuilds the GL objects of the volume the view already holds.
    bool startVolumeLoaded = false;
};
