#include "HoverPoints.h"

#include "CurveMath.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QWidget>

#include <algorithm>

HoverPoints::HoverPoints(QWidget *widget, int shape)
    : QObject(widget),
      watchedWidget(widget),
      boundsRect(0, 0, 0, 0),
      handleShape(shape),
      sortMode(NoSorting),
      linkStyle(StraightLink),
      handleSize(11, 11),
      dragIndex(-1),
      editable(true),
      enabled(true),
      handlePen(QBrush(QColor(255, 255, 255, 191)), 1),
      handleBrush(QColor(191, 191, 191, 127)),
      linkPen(QBrush(QColor(255, 255, 255, 127)), 2),
      menuPosition(0, 0),
      menuIndex(-1),
      lastWidgetSize(widget->size())
{
    widget->installEventFilter(this);

    newPointAction = new QAction(tr("new point"), widget);
    deletePointAction = new QAction(tr("delete point"), widget);
    setColorAction = new QAction(tr("set color"), widget);

    connect(this, &HoverPoints::pointsChanged, widget, qOverload<>(&QWidget::update));
    connect(newPointAction, &QAction::triggered, this, &HoverPoints::newPoint);
    connect(deletePointAction, &QAction::triggered, this, &HoverPoints::deletePoint);
    connect(setColorAction, &QAction::triggered, this, &HoverPoints::fireChooseColor);
}

QRectF HoverPoints::activeBounds() const
{
    if (boundsRect.width() > 0 && boundsRect.height() > 0)
        return boundsRect;
    return QRectF(0, 0, watchedWidget->width(), watchedWidget->height());
}

void HoverPoints::replacePoints(const QPolygonF &newPoints)
{
    const QRectF bounds = activeBounds();
    points.clear();
    for (const QPointF &point : newPoints)
        points.append(CurveMath::clampPoint(point, bounds, 0));
    lockFlags = QVector<quint32>(points.size(), 0);
}

void HoverPoints::placePoint(int index, const QPointF &point, bool notify)
{
    points[index] = CurveMath::clampPoint(point, activeBounds(), lockFlags.at(index));
    if (!notify)
        return;
    // Receivers get the index from before the re-sort: the editor moves the colour
    // points of that same index before the alpha list changes order.
    emit alphaChanged(index, points.at(index).x());
    publishPoints();
}

void HoverPoints::publishPoints()
{
    if (sortMode != NoSorting) {
        const QPointF dragged = dragIndex != -1 ? points.at(dragIndex) : QPointF();
        if (sortMode == SortByX)
            std::sort(points.begin(), points.end(),
                      [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
        else
            std::sort(points.begin(), points.end(),
                      [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); });

        if (dragIndex != -1) {
            for (int i = 0; i < points.size(); ++i) {
                if (CurveMath::samePoint(points.at(i), dragged)) {
                    dragIndex = i;
                    break;
                }
            }
        }
    }
    emit pointsChanged(points);
}

bool HoverPoints::eventFilter(QObject *object, QEvent *event)
{
    if (object != watchedWidget || !enabled)
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return handlePress(static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        if (editable)
            dragIndex = -1;
        return false;
    case QEvent::MouseMove:
        if (editable && dragIndex >= 0)
            placePoint(dragIndex, static_cast<QMouseEvent *>(event)->position(), true);
        return false;
    case QEvent::Resize:
        rescalePoints(static_cast<QResizeEvent *>(event));
        return false;
    case QEvent::Paint:
        paintOverWidget(event);
        return true;
    default:
        return false;
    }
}

bool HoverPoints::handlePress(QMouseEvent *event)
{
    if (!editable)
        return false;

    const QPointF pos = event->position();
    const int hit = CurveMath::hitTest(points, pos, handleSize, handleShape != RoundHandle);

    switch (event->button()) {
    case Qt::LeftButton:
        if (hit == -1)
            return false;
        dragIndex = hit;
        return true;
    case Qt::RightButton:
        if (hit == -1) {
            menuPosition = pos;
            openMenu(newPointAction, nullptr);
        } else {
            menuIndex = hit;
            openMenu(setColorAction, deletePointAction);
        }
        return true;
    default:
        return false;
    }
}

void HoverPoints::openMenu(QAction *first, QAction *second)
{
    contextMenu.clear();
    contextMenu.addAction(first);
    if (second) {
        contextMenu.addSeparator();
        contextMenu.addAction(second);
    }
    // Modal: the chosen entry's slot has run when exec returns.
    contextMenu.exec(QCursor::pos());
}

void HoverPoints::rescalePoints(QResizeEvent *event)
{
    // A widget that was sized while hidden gets its first resize event with no old size
    // (-1 by -1) when shown; scaling by a negative factor would throw every point onto an
    // edge, so the size the points were placed in stands in for it.
    const QSize oldSize = event->oldSize().isValid() ? event->oldSize() : lastWidgetSize;
    lastWidgetSize = event->size();
    if (oldSize.isEmpty())
        return;

    const double sx = double(event->size().width()) / oldSize.width();
    const double sy = double(event->size().height()) / oldSize.height();
    for (int i = 0; i < points.size(); ++i)
        placePoint(i, CurveMath::rescaledPoint(points.at(i), sx, sy), false);
    publishPoints();
}

void HoverPoints::paintOverWidget(QEvent *event)
{
    // The widget paints its own content first. While it does, watchedWidget is null, so
    // this filter lets the nested delivery of the same event through untouched.
    QWidget *widget = watchedWidget;
    watchedWidget = nullptr;
    QApplication::sendEvent(widget, event);
    watchedWidget = widget;
    drawOverlay();
}

void HoverPoints::drawOverlay()
{
    QPainter painter(watchedWidget);
    painter.setRenderHint(QPainter::Antialiasing);

    if (linkPen.style() != Qt::NoPen && linkStyle != NoLink && points.size() >= 2) {
        painter.setPen(linkPen);
        if (linkStyle == CurvedLink) {
            QPainterPath path(points.at(0));
            for (int i = 1; i < points.size(); ++i) {
                const QPointF p = points.at(i - 1);
                const QPointF q = points.at(i);
                const double midX = p.x() + 0.5 * (q.x() - p.x());
                path.cubicTo(midX, p.y(), midX, q.y(), q.x(), q.y());
            }
            painter.drawPath(path);
        } else {
            painter.drawPolyline(points);
        }
    }

    painter.setPen(handlePen);
    painter.setBrush(handleBrush);
    for (const QPointF &point : std::as_const(points)) {
        const QRectF handle = CurveMath::handleRect(point, handleSize);
        if (handleShape == RoundHandle)
            painter.drawEllipse(handle);
        else
            painter.drawRect(handle);
    }
}

void HoverPoints::setEnabled(bool on)
{
    if (enabled == on)
        return;
    enabled = on;
    watchedWidget->update();
}

void HoverPoints::setDisabled(bool disabled)
{
    setEnabled(!disabled);
}

void HoverPoints::newPoint()
{
    int pos = 0;
    for (int i = 0; i < points.size(); ++i) {
        const bool after = sortMode == SortByX   ? points.at(i).x() > menuPosition.x()
                           : sortMode == SortByY ? points.at(i).y() > menuPosition.y()
                                                 : false;
        if (after) {
            pos = i;
            break;
        }
    }

    points.insert(pos, menuPosition);
    lockFlags.insert(pos, 0);

    dragIndex = pos;
    publishPoints();
    dragIndex = -1;
    emit alphaPointCreated(pos, menuPosition.x());
}

void HoverPoints::deletePoint()
{
    // The menu offers "delete point" on every point, but a pinned end point stays.
    const bool removable = lockFlags.at(menuIndex) == 0;
    if (removable) {
        lockFlags.remove(menuIndex);
        points.remove(menuIndex);
    }

    dragIndex = -1;
    publishPoints();
    if (removable)
        emit alphaPointDeleted(menuIndex);
}

void HoverPoints::fireChooseColor()
{
    emit chooseColor(menuIndex, watchedWidget);
}
