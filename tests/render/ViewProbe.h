#pragma once

#include "GLWidget.h"

// A view whose state the tests can read and set, and which counts the frames it draws (a
// synchronous repaint draws one before it returns) and the GL contexts it was given.
class ViewProbe : public GLWidget
{
public:
    using GLWidget::GLWidget;

    using GLWidget::boxScale;
    using GLWidget::checkGLFeatures;
    using GLWidget::lastMousePos;
    using GLWidget::rayProgram;
    using GLWidget::renderMode;
    using GLWidget::sliceProgram;
    using GLWidget::sliceX;
    using GLWidget::sliceY;
    using GLWidget::sliceZ;
    using GLWidget::stepCount;
    using GLWidget::transferTable;
    using GLWidget::transferTexture;
    using GLWidget::viewDistance;
    using GLWidget::volumeSize;
    using GLWidget::xRotation;
    using GLWidget::yRotation;
    using GLWidget::zRotation;

    int frames = 0;
    int initialisations = 0;

protected:
    void paintGL() override
    {
        ++frames;
        GLWidget::paintGL();
    }
    void initializeGL() override
    {
        ++initialisations;
        GLWidget::initializeGL();
    }
};
