#pragma once

// Helpers for driving the editor's widgets as a user would: mouse events that carry held
// buttons, and watchers that answer the modal context menu and colour dialog from inside
// their own event loops.

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace EditorTest {

inline void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &pos, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A move with the left button held, as during a drag (QTest::mouseMove carries no buttons).
inline void dragTo(QWidget *widget, const QPointF &pos)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

inline void drag(QWidget *widget, const QPointF &from, const QPointF &to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from.toPoint());
    dragTo(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to.toPoint());
}

// Picks the entry with the given text from the next popup menu (an empty text closes it
// without a choice), and records what the menu offered.
class MenuPicker : public QObject
{
public:
    explicit MenuPicker(const QString &entry) : entry(entry)
    {
        connect(&timer, &QTimer::timeout, this, &MenuPicker::poll);
        timer.start(5);
    }

    bool opened = false;
    QStringList offered;

private:
    void poll()
    {
        QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        timer.stop();
        opened = true;
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            offered << action->text();
            if (action->text() == entry)
                chosen = action;
        }
        if (!chosen) {
            menu->close();
            return;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    }

    QString entry;
    QTimer timer;
};

// Answers the next modal colour dialog: sets the given colour and accepts, or rejects.
// Records the colour the dialog opened with.
class ColorDialogDriver : public QObject
{
public:
    ColorDialogDriver(const QColor &choice, bool accept) : choice(choice), accept(accept)
    {
        connect(&timer, &QTimer::timeout, this, &ColorDialogDriver::poll);
        timer.start(5);
    }

    bool opened = false;
    QColor initial;
    bool alphaShown = false;

private:
    void poll()
    {
        QColorDialog *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer.stop();
        opened = true;
        initial = dialog->currentColor();
        alphaShown = dialog->testOption(QColorDialog::ShowAlphaChannel);
        if (accept) {
            dialog->setCurrentColor(choice);
            dialog->accept();
        } else {
            dialog->setCurrentColor(choice);
            dialog->reject();
        }
    }

    QColor choice;
    bool accept;
    QTimer timer;
};

} // namespace EditorTest
