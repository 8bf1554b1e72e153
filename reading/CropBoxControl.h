#pragma once

#include <QGroupBox>

#include <array>

class QSlider;
class QLabel;

// The crop box of the 3-D view: a check that turns it on, and six bounds, a lower and an upper
// one along each of three axes, as fractions 0..1 of the volume's extent: along the patient's
// right-to-left, front-to-back and feet-to-head axes where the volume's orientation is known,
// along its x, y and z otherwise. A lower bound never passes its upper one: moving one pushes
// the other along. Switched off, the bounds are hidden (the group takes one line) and the
// whole volume is drawn; switched on again, they apply as they were left.
class CropBoxControl : public QGroupBox
{
    Q_OBJECT

public:
    explicit CropBoxControl(QWidget *parent = nullptr);

    // The bounds in force: the whole volume while the box is off.
    std::array<double, 6> cropBox() const;
    // Names the axes after the patient's directions, or after the grid's own.
    void setPatientAxes(bool patient);

public slots:
    // The bounds back to the whole volume; announces a change once.
    void reset();

signals:
    void cropBoxChanged(const std::array<double, 6> &bounds);

private:
    void keepOrder(int moved);
    void announce();

    QWidget *body;
    std::array<QSlider *, 6> bounds;
    std::array<QLabel *, 3> axisNames;
    std::array<double, 6> announced{0, 1, 0, 1, 0, 1};
    bool resetting = false;
};
