#include "SliceZoom.h"

#include <algorithm>
#include <cmath>

const double SliceZoom::step = std::sqrt(2.0);

QRectF SliceZoom::imageRect(const QRectF &fitted) const
{
    const QSizeF size = fitted.size() * zoom;
    const QPointF topLeft = fitted.center() - QPointF(middle.x() * size.width(), middle.y() * size.height());
    return QRectF(topLeft, size);
}

bool SliceZoom::zoomAbout(const QPointF &about, double by, const QRectF &fitted)
{
    // A hair's tolerance, so that eight steps of the square root of two land on 16 itself.
    double next = std::clamp(zoom * by, 1.0, largest);
    if (std::fabs(next - std::round(next)) < 1e-9)
        next = std::round(next);
    if (next == zoom || fitted.isEmpty())
        return false;
    const QRectF before = imageRect(fitted);
    const QPointF held((about.x() - before.left()) / before.width(), (about.y() - before.top()) / before.height());
    zoom = next;
    if (isFitted()) {
        middle = QPointF(0.5, 0.5);
        return true;
    }
    const QSizeF size = fitted.size() * zoom;
    const QPointF topLeft = about - QPointF(held.x() * size.width(), held.y() * size.height());
    middle = QPointF((fitted.center().x() - topLeft.x()) / size.width(), (fitted.center().y() - topLeft.y()) / size.height());
    keepMiddleOnSlice();
    return true;
}

bool SliceZoom::pan(const QPointF &delta, const QRectF &fitted)
{
    if (isFitted() || fitted.isEmpty())
        return false;
    const QPointF before = middle;
    middle -= QPointF(delta.x() / (fitted.width() * zoom), delta.y() / (fitted.height() * zoom));
    keepMiddleOnSlice();
    return middle != before;
}

bool SliceZoom::fit()
{
    if (isFitted() && middle == QPointF(0.5, 0.5))
        return false;
    zoom = 1.0;
    middle = QPointF(0.5, 0.5);
    return true;
}

void SliceZoom::keepMiddleOnSlice()
{
    middle = QPointF(std::clamp(middle.x(), 0.0, 1.0), std::clamp(middle.y(), 0.0, 1.0));
}
