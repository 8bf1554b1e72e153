#pragma once

#include <QPointF>
#include <QRectF>

// How far a 2-D view is zoomed into its slice and which part it shows: a factor from 1 (the
// slice fitted into the view) to 16, and the point of the slice at the middle of the view,
// as fractions of the slice's width and height. Kept relative to the fitted rectangle, so
// that a view that is resized shows the same part at the same zoom. Pure arithmetic, tested
// without a widget.
//
// The slice never leaves the middle of the view: however it is moved, some of it stays
// there, so it cannot be lost off screen.
class SliceZoom
{
public:
    static constexpr double largest = 16.0;
    // One step of + or - or of the wheel with Ctrl: eight steps from fitted to the largest.
    static const double step;

    double factor() const { return zoom; }
    bool isFitted() const { return zoom == 1.0; }

    // Where the slice is drawn, given where it is drawn fitted.
    QRectF imageRect(const QRectF &fitted) const;

    // Zooms by the given factor (kept within 1 to the largest) so that the point of the slice
    // under the widget point `about` stays under it. False where nothing changed.
    bool zoomAbout(const QPointF &about, double by, const QRectF &fitted);
    // Moves the slice by delta widget pixels; it stays put while fitted.
    bool pan(const QPointF &delta, const QRectF &fitted);
    // Back to the fitted slice. False where it was.
    bool fit();

private:
    void keepMiddleOnSlice();

    double zoom = 1.0;
    QPointF middle{0.5, 0.5};
};
