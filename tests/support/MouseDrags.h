#pragma once

// Mouse input as a user gives it: events that carry the buttons held (QTest::mouseMove
// carries none), and a whole left-button drag.

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

inline void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &pos, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A move with the given buttons held.
inline void moveHolding(QWidget *widget, const QPointF &pos, Qt::MouseButtons held)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, held);
}

// A move with the left button held.
inline void dragTo(QWidget *widget, const QPointF &pos)
{
    moveHolding(widget, pos, Qt::LeftButton);
}

inline void drag(QWidget *widget, const QPointF &from, const QPointF &to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from.toPoint());
    dragTo(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to.toPoint());
}
