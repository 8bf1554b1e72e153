#include "HoverPoints.h"

#include "CurveMath.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>
#include <numeric>
#include <vector>

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
      menuIndex(-1)
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

// The watched widget is this object's parent; unlike watchedWidget it is there also while
// the widget paints itself.
QSize HoverPoints::widgetSize() const
{
    return static_cast<const QWidget *>(parent())->size();
}

QRectF HoverPoints::activeBounds() const
{
    if (boundsRect.width() > 0 && boundsRect.height() > 0)
        return boundsRect;
    return CurveMath::framePixels(dataFrame, widgetSize());
}

const QPolygonF &HoverPoints::shownPoints() const
{
    if (shownSize == widgetSize())
        return points;
    shownSize = widgetSize();
    const QRectF bounds = activeBounds();
    points.clear();
    for (const QPointF &point : data)
        points.append(CurveMath::clampPoint(CurveMath::dataToPixel(dataFrame, point, shownSize), bounds, 0));
    return points;
}

void HoverPoints::setPoint(int index, const QPointF &pixel)
{
    points[index] = pixel;
    data[index] = CurveMath::pixelToData(dataFrame, pixel, shownSize);
}

void HoverPoints::replacePoints(const QPolygonF &newPoints)
{
    shownSize = widgetSize();
    const QRectF bounds = activeBounds();
    points.clear();
    data.clear();
    for (const QPointF &point : newPoints) {
        points.append(CurveMath::clampPoint(point, bounds, 0));
        data.append(CurveMath::pixelToData(dataFrame, points.last(), shownSize));
    }
    lockFlags = QVector<quint32>(points.size(), 0);
}

void HoverPoints::replaceData(const QPolygonF &newData)
{
    data.clear();
    for (const QPointF &point : newData)
        data.append(CurveMath::keptInFrame(dataFrame, point));
    lockFlags = QVector<quint32>(data.size(), 0);
    shownSize = QSize();
}

void HoverPoints::placePoint(int index, const QPointF &point, bool notify)
{
    shownPoints();
    setPoint(index, CurveMath::clampPoint(point, activeBounds(), lockFlags.at(index)));
    if (!notify)
        return;
    // Receivers get the index from before the re-sort: the editor moves the colour
    // points of that same index before the alpha list changes order.
    emit alphaChanged(index, points.at(index).x());
    publishPoints();
}

void HoverPoints::publishPoints()
{
    shownPoints();
    if (sortMode != NoSorting)
        sortPoints();
    emit pointsChanged(points);
}

// Points that look alike at this size keep the order of their data (which may run against
// the pixels, as a channel's values do), so that a larger size shows them in order too. The
// dragged point's index follows it.
void HoverPoints::sortPoints()
{
    const bool byX = sortMode == SortByX;
    const double dataDirection = byX ? dataFrame.right - dataFrame.left : dataFrame.bottom - dataFrame.top;
    const auto key = [byX](const QPolygonF &list, int i) { return byX ? list.at(i).x() : list.at(i).y(); };
    std::vector<int> order(size_t(points.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (key(points, a) != key(points, b))
            return key(points, a) < key(points, b);
        return key(data, a) * dataDirection < key(data, b) * dataDirection;
    });
    QPolygonF sortedPoints, sortedData;
    for (int i : order) {
        sortedPoints.append(points.at(i));
        sortedData.append(data.at(i));
    }
    points = sortedPoints;
    data = sortedData;
    if (dragIndex != -1)
        dragIndex = int(std::find(order.begin(), order.end(), dragIndex) - order.begin());
}

bool HoverPoints::eventFilter(QObject *object, QEvent *event)
{
    if (object != watchedWidget || !enabled)
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return handlePress(static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        handleRelease();
        return false;
    case QEvent::MouseMove:
        if (editable && dragIndex >= 0)
            placePoint(dragIndex, static_cast<QMouseEvent *>(event)->position(), true);
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
    const int hit = CurveMath::hitTest(shownPoints(), pos, handleSize, handleShape != RoundHandle);

    switch (event->button()) {
    case Qt::LeftButton:
        if (hit == -1)
            return false;
        dragIndex = hit;
        emit dragStarted();
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

void HoverPoints::handleRelease()
{
    if (!editable || dragIndex == -1)
        return;
    dragIndex = -1;
    emit dragFinished();
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
    const QPolygonF &shown = shownPoints();

    if (linkPen.style() != Qt::NoPen && linkStyle != NoLink && shown.size() >= 2) {
        painter.setPen(linkPen);
        if (linkStyle == CurvedLink) {
            QPainterPath path(shown.at(0));
            for (int i = 1; i < shown.size(); ++i) {
                const QPointF p = shown.at(i - 1);
                const QPointF q = shown.at(i);
                const double midX = p.x() + 0.5 * (q.x() - p.x());
                path.cubicTo(midX, p.y(), midX, q.y(), q.x(), q.y());
            }
            painter.drawPath(path);
        } else {
            painter.drawPolyline(shown);
        }
    }

    painter.setPen(handlePen);
    painter.setBrush(handleBrush);
    for (const QPointF &point : shown) {
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
    shownPoints();
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
    data.insert(pos, CurveMath::pixelToData(dataFrame, menuPosition, shownSize));
    lockFlags.insert(pos, 0);

    dragIndex = pos;
    publishPoints();
    dragIndex = -1;
    emit alphaPointCreated(pos, menuPosition.x());
}

void HoverPoints::deletePoint()
{
    // The menu offers "delete point" on every point, but a pinned end point stays.
    shownPoints();
    const bool removable = lockFlags.at(menuIndex) == 0;
    if (removable) {
        lockFlags.remove(menuIndex);
        points.remove(menuIndex);
        data.remove(menuIndex);
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
