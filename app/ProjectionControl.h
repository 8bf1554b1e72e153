#pragma once

#include <QWidget>

class GLWidget;
class QComboBox;
class ReadingState;

// "Mode": what the 3-D view shows, the transfer function's picture or a projection (MIP,
// MinIP, average), and the projections' greys, which follow the 2-D views' window.
class ProjectionControl : public QWidget
{
    Q_OBJECT

public:
    ProjectionControl(GLWidget *view, ReadingState *reading, QWidget *parent = nullptr);

private:
    void passWindow();

    GLWidget *view;
    ReadingState *reading;
    QComboBox *modeBox;
};
