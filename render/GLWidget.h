#pragma once

#include <QOpenGLWidget>
#include <QPoint>

#include <array>
#include <cstdint>
#include <vector>

class Volume;

// The OpenGL view: holds the current Volume, the view rotation, the three slice positions,
// the render mode and the ray-marching step count, and turns mouse drags and slider values
// into a synchronous repaint.
//
// A frame is two-pass ray casting: the far faces of the volume's box are drawn into a float
// texture through a framebuffer object, so each pixel knows where its ray leaves the box;
// then the near faces are drawn with the ray program, which marches from the entry point
// to that exit point through the 3D volume texture (unit 0), classifying each sample
// through the 1D transfer texture (unit 1). The slice mode draws three axis-aligned planes
// with the slice program instead.
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

    // Takes ownership of v and drops the volume held so far, with its texture. The texture
    // of v must live in this view's context (it is left bound on unit 0 by its
    // construction). Does not repaint.
    void setVolume(Volume *v);
    // The table is borrowed: its owner keeps writing into it and the view reads it in
    // place on every setColors().
    void setTransferTable(const uint32_t *table);
    // Whether rays step over the bricks the transfer function makes transparent (on by
    // default); the picture is the same either way. Does not repaint.
    void setEmptySpaceSkipping(bool on);

signals:
    void xRotationChanged(int angle);
    void yRotationChanged(int angle);
    void zRotationChanged(int angle);

public slots:
    void setXRotation(int angle);
    void setYRotation(int angle);
    void setZRotation(int angle);
    void setLength(int length);
    void setWidth(int width);
    void setDepth(int depth);
    void setColors();
    void setRenderMode(bool mode);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    friend class TestGLWidget;
    friend class TestRenderer;
    friend class TestWindow;

    bool glAvailable() const;
    bool checkGLFeatures();
    void updateBoxScale();
    void setRotation(int &rotation, int angle);
    void setSlice(float &slice, int value);
    int deviceWidth() const;
    int deviceHeight() const;

    char *readTextFile(const char *fileName);
    unsigned int compileStage(unsigned int type, const char *text);
    unsigned int loadProgram(const char *baseName);
    void printInfoLog(unsigned int object);

    void createBackfaceTarget();
    void allocateBackfaceTexture(int w, int h);
    void uploadTransferTexture();
    void uploadBrickVisibility();
    void setBrickUniforms();
    void renderVolume();
    void renderBackFaces();
    void renderRays();
    void renderSlices();
    void drawBox();
    void boxVertex(float s, float t, float r);
    void releaseGL();

    Volume *volume = nullptr;
    std::vector<uint32_t> ownTable;
    const uint32_t *transferTable = nullptr;
    unsigned int transferTexture = 0;
    unsigned int frameBuffer = 0;
    unsigned int backfaceTexture = 0;
    // Unit 3: per brick of the volume, whether the transfer table lets it contribute.
    unsigned int brickTexture = 0;
    std::vector<uint8_t> brickVisibility;
    // Set when the volume or the table changes; the next frame recomputes the texture.
    bool brickVisibilityStale = true;
    // With every brick visible, rays do not look bricks up at all.
    bool anyBrickHidden = false;
    bool skipEmptySpace = true;
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
    // False until initializeGL has found GLEW and every GL feature the passes need.
    bool glReady = false;
};
