#pragma once

#include <QBrush>
#include <QMenu>
#include <QObject>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QVector>

class QAction;
class QMouseEvent;
class QResizeEvent;
class QWidget;

// Turns any widget into an editor of control points. It is not a widget itself: it filters
// the watched widget's events, keeps the points inside the widget (or inside boundsRect
// when one is set), paints the points and the line through them over the widget's own
// content, offers a right-click menu to add, delete and colour points, and reports every
// change through signals. Points are in the widget's pixels, y downwards.
//
// Lock flags belong to list positions, not to points: sorting reorders the points and
// leaves the flags where they are, so the first and last positions stay pinned.
class HoverPoints : public QObject
{
    Q_OBJECT

public:
    enum HandleShape { RoundHandle = 0, SquareHandle = 1 };
    enum SortType { NoSorting = 0, SortByX = 1, SortByY = 2 };
    enum LinkStyle { NoLink = 0, StraightLink = 1, CurvedLink = 2 };
    enum LockType { PinLeft = 1, PinRight = 2, PinTop = 4, PinBottom = 8 };

    HoverPoints(QWidget *widget, int shape);

    bool eventFilter(QObject *object, QEvent *event) override;

    void replacePoints(const QPolygonF &newPoints);
    QPolygonF pointList() const { return points; }

    void setLock(int index, quint32 flags) { lockFlags[index] = flags; }
    void setSortMode(int mode) { sortMode = mode; }
    void setEditable(bool on) { editable = on; }
    void setBoundsRect(const QRectF &rect) { boundsRect = rect; }
    void setLinkStyle(int style) { linkStyle = style; }

    void placePoint(int index, const QPointF &point, bool notify);
    void publishPoints();
    void drawOverlay();

public slots:
    void setEnabled(bool enabled);
    void setDisabled(bool disabled);

signals:
    void pointsChanged(const QPolygonF &points);
    void chooseColor(int index, QWidget *selectedWidget);
    void alphaChanged(int index, qreal newXPos);
    void alphaPointCreated(int index, qreal xPos);
    void alphaPointDeleted(int index);

private slots:
    void newPoint();
    void deletePoint();
    void fireChooseColor();

private:
    QRectF activeBounds() const;
    bool handlePress(QMouseEvent *event);
    void rescalePoints(QResizeEvent *event);
    void paintOverWidget(QEvent *event);
    void openMenu(QAction *first, QAction *second);

    QWidget *watchedWidget;
    QPolygonF points;
    QRectF boundsRect;
    int handleShape;
    int sortMode;
    int linkStyle;
    QVector<quint32> lockFlags;
    QSizeF handleSize;
    int dragIndex;
    bool editable;
    bool enabled;
    QPen handlePen;
    QBrush handleBrush;
    QPen linkPen;
    QMenu contextMenu;
    QAction *newPointAction;
    QAction *deletePointAction;
    QAction *setColorAction;
    QPointF menuPosition;
    int menuIndex;
    // The watched widget's size when this object last saw it: the size the points were
    // placed in when a resize event carries no old size.
    QSize lastWidgetSize;
};
