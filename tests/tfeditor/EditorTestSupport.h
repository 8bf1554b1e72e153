#pragma once

// Drives the editor's widgets as a user would: the shared mouse drags, and answers to the
// modal context menu and colour dialog given from inside their own loops.

#include "MouseDrags.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace EditorTest {

// The row on which a channel editor of the given height shows a channel value: 255 on the
// top row, 0 on the bottom one, the rows between in proportion and rounded to the nearest
// (never a tie: 255 is odd), in whole numbers of their own.
inline double heightOf(int value, int editorHeight)
{
    const int scaled = (255 - value) * (editorHeight - 1);
    return (2 * scaled + 255) / 510;
}

// Polls, from inside the nested loop of the next menu or dialog, until answer() has
// found and handled what it waits for.
class Responder : public QObject
{
public:
    explicit Responder(std::function<bool()> answer) : answer(std::move(answer))
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            if (this->answer()) {
                timer.stop();
                done = true;
            }
        });
        timer.start(5);
    }
    bool done = false;

private:
    std::function<bool()> answer;
    QTimer timer;
};

// Chooses the entry with the given text from the next context menu, or closes the menu
// when there is none; the entries offered go to *offered.
inline std::unique_ptr<Responder> pickFromMenu(const QString &entry, QStringList *offered = nullptr)
{
    return std::make_unique<Responder>([entry, offered] {
        QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return false;
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator() && offered)
                *offered << action->text();
            if (!action->isSeparator() && action->text() == entry)
                chosen = action;
        }
        if (!chosen) {
            menu->close();
            return true;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
        return true;
    });
}

// Sets the given colour in the next colour dialog and accepts or cancels it; the colour
// the dialog opened with goes to *initial.
inline std::unique_ptr<Responder> answerColorDialog(const QColor &choice, bool accept, QColor *initial)
{
    return std::make_unique<Responder>([choice, accept, initial] {
        QColorDialog *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        *initial = dialog->currentColor();
        if (!dialog->testOption(QColorDialog::ShowAlphaChannel))
            *initial = QColor();
        dialog->setCurrentColor(choice);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
        return true;
    });
}

} // namespace EditorTest
