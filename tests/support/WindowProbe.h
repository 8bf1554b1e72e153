#pragma once

#include "GLWidget.h"
#include "GradientEditor.h"
#include "Volume.h"
#include "Window.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// Finds the window's inner parts for the tests of whole-program behaviour (and for their
// child-process driver) through the window's public face: its child widgets, its open
// flow, and the editor's announcement that every edit ends in.
class WindowProbe
{
public:
    // Opens path through the window's open flow and waits until that open has ended; whether
    // the volume was opened.
    static bool openVolume(Window &w, const QString &path)
    {
        bool finished = false, opened = false;
        QEventLoop loop;
        QObject::connect(&w, &Window::openFinished, &loop, [&](bool success) {
            finished = true;
            opened = success;
            loop.quit();
        });
        w.openPath(path);
        if (!finished)
            loop.exec();
        return opened;
    }
    // Delivers stops to the window as a finished edit in the editor does.
    static void saveGradientStops(Window &w, const QGradientStops &stops)
    {
        emit editor(w)->gradientStopsChanged(stops);
        emit editor(w)->gradientStopsEdited(stops);
    }

    // Puts stops into the editor as an edit of the user's would: the curves, the table and
    // the stops file follow.
    static void editStops(Window &w, const QGradientStops &stops)
    {
        editor(w)->setGradientStops(stops);
        emit editor(w)->gradientStopsEdited(editor(w)->gradientStops());
    }

    // The volume opened through the window; null until a file has been opened.
    static const Volume *volume(const Window &w) { return w.stopsFileName().isEmpty() ? nullptr : view(w)->volume(); }
    static GLWidget *view(const Window &w) { return w.findChild<GLWidget *>(); }
    static GradientEditor *editor(const Window &w) { return w.findChild<GradientEditor *>(); }
    static QCheckBox *fixateColorBox(const Window &w) { return w.findChild<QCheckBox *>(); }
    static QPushButton *loadButton(const Window &w)
    {
        for (QPushButton *button : w.findChildren<QPushButton *>())
            if (button->text() == "load Volume")
                return button;
        return nullptr;
    }
    // The length, width and depth sliders, in this order.
    static QList<QSlider *> sliders(const Window &w)
    {
        for (QGroupBox *box : w.findChildren<QGroupBox *>())
            if (box->title() == "Slices")
                return box->findChildren<QSlider *>();
        return {};
    }
    static QString status(const Window &w) { return w.findChild<QLabel *>("statusLine")->text(); }

    // Shows the window and waits for the default stops, which arrive from the event loop;
    // false when the window never came up.
    static bool start(Window &w)
    {
        w.show();
        return QTest::qWaitForWindowExposed(&w) && QTest::qWaitFor([&] { return fixateColorBox(w)->isChecked(); }, 2000);
    }
};
