#include "OrientationMarker.h"

#include "PatientAxes.h"
#include "PatientBox.h"

#include <QPainter>

#include <algorithm>
#include <vector>

OrientationMarker::OrientationMarker(QWidget *view) : QWidget(view)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(sizeHint());
}

void OrientationMarker::setTurn(int xRotation, int yRotation, int zRotation)
{
    if (turn[0] == xRotation && turn[1] == yRotation && turn[2] == zRotation)
        return;
    turn[0] = xRotation;
    turn[1] = yRotation;
    turn[2] = zRotation;
    update();
}

void OrientationMarker::paintEvent(QPaintEvent *)
{
    struct End
    {
        QPointF direction;
        double depth;
        int axis;
        int sign;
    };
    std::vector<End> ends;
    for (int axis = 0; axis < 3; ++axis) {
        const QPointF d = screenDirectionOf(axis, turn[0], turn[1], turn[2]);
        const double depth = towardsViewerOf(axis, turn[0], turn[1], turn[2]);
        ends.push_back({d, depth, axis, +1});
        ends.push_back({-d, -depth, axis, -1});
    }
    std::sort(ends.begin(), ends.end(), [](const End &a, const End &b) { return a.depth < b.depth; });

    static const QColor colours[3] = {QColor(230, 90, 90), QColor(90, 200, 90), QColor(100, 150, 255)};
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const double radius = std::min(width(), height()) * 0.5 - 10.0;
    for (const End &end : ends) {
        const QPointF tip = centre + end.direction * radius;
        // The ends away from the viewer are dimmer.
        QColor colour = colours[end.axis];
        if (end.depth < -0.05)
            colour = colour.darker(170);
        painter.setPen(QPen(colour, 2));
        painter.drawLine(centre, tip);
        const QPointF label = centre + end.direction * (radius + 6.0);
        painter.drawText(QRectF(label.x() - 7, label.y() - 7, 14, 14), Qt::AlignCenter,
                         QString(QChar::fromLatin1(patientLetter(end.axis, end.sign))));
    }
}
