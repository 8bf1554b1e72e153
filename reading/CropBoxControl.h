#pragma once

#include <QGroupBox>

#include <array>

class QSlider;
class QLabel;

// Six bounds of the crop box, a lower and an upper one along each of three axes, as
// fractions 0..1 of the volume's extent: along the patient's right-to-left, front-to-back
// and feet-to-head axes where the volume's orientation is known, along its x, y and z
// otherwise. A lower bound never passes its upper one: moving one pushes the other along.
class CropBoxControl : public QGroupBox
{
    Q_OBJECT

public:
    explicit CropBoxControl(QWidget *parent = nullptr);

    std::array<double, 6> cropBox() const;
    // Names the axes after the patient's directions, or after the grid's own.
    void setPatientAxes(bool patient);

public slots:
    // Back to the whole volume; announces the change once.
    void reset();

signals:
    void cropBoxChanged(const std::array<double, 6> &bounds);

private:
    void keepOrder(int moved);

    std::array<QSlider *, 6> bounds;
    std::array<QLabel *, 3> axisNames;
    bool resetting = false;
};
