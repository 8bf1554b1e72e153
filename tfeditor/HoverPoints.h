#pragma once

#include "CurveMath.h"

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
class QWidget;

// Turns any widget into an editor of control points. It is not a widget itself: it filters
// the watched widget's events, keeps the points inside the widget (or inside boundsRect
// when one is set), paints the points and the line through them over the widget's own
// content, offers a right-click menu to add, delete and colour points, and reports every
// change through signals.
//
// The points are kept in data coordinates (the DataFrame; by default fractions of the
// widget's width and height) and shown in the widget's pixels, y downwards, rounded to whole
// pixels for the size the widget has. pointList and placePoint speak pixels: a point placed
// at the widget's present size is shown exactly where it was placed. A resize only shows
// the same points at the new size: it changes no point and announces nothing, so a widget
// squeezed to nothing and back shows its points as before.
//
// Lock flags belong to list positions, not to points: sorting reorders the points and
// leaves the flags where they are, so the first and last positions stay pinned. They act
// where a point is placed, not where a resize shows it.
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

    // The frame the points are kept in; set it before the first points.
    void setDataFrame(const CurveMath::DataFrame &frame) { dataFrame = frame; }
    // Replaces the points by points in pixels of the widget's present size, or in data
    // coordinates; either way each is kept inside the widget, every lock is cleared and
    // nothing is announced.
    void replacePoints(const QPolygonF &newPoints);
    void replaceData(const QPolygonF &newData);
    QPolygonF pointList() const { return shownPoints(); }
    QPolygonF dataList() const { return data; }

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
    // A left press took hold of a point, and the release let go of it: the moves between are
    // one gesture.
    void dragStarted();
    void dragFinished();

private slots:
    void newPoint();
    void deletePoint();
    void fireChooseColor();

private:
    QSize widgetSize() const;
    QRectF activeBounds() const;
    bool handlePress(QMouseEvent *event);
    void handleRelease();
    const QPolygonF &shownPoints() const;
    void setPoint(int index, const QPointF &pixel);
    void sortPoints();
    void paintOverWidget(QEvent *event);
    void openMenu(QAction *first, QAction *second);

    QWidget *watchedWidget;
    CurveMath::DataFrame dataFrame;
    QPolygonF data;
    // data shown in pixels of shownSize; made again whenever the widget's size differs.
    mutable QPolygonF points;
    mutable QSize shownSize;
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
};
