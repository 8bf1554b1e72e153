#pragma once

#include <QWidget>

// A small figure in a corner of the 3-D view of an oriented volume: the patient's three
// axes as the view is turned, each end with its letter (R/L, A/P, S/I), the ends towards
// the viewer drawn over the others. It takes no mouse input, so drags reach the view.
class OrientationMarker : public QWidget
{
    Q_OBJECT

public:
    explicit OrientationMarker(QWidget *view);

    // The view's angles in 1/16 degree; repaints where they changed.
    void setTurn(int xRotation, int yRotation, int zRotation);

    QSize sizeHint() const override { return QSize(84, 84); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int turn[3] = {0, 0, 0};
};
