#pragma once

#include "GLWidget.h"
#include "GradientEditor.h"
#include "Volume.h"
#include "Window.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

// The window's inner parts for the tests of whole-program behaviour under bad input, faults
// and long use (and for their child-process driver): the open flow without its file dialog,
// the save that every edit ends in, and the parts to look at afterwards.
class WindowProbe
{
public:
    static void openVolume(Window &w, const QString &path) { w.openVolume(path); }
    static void saveGradientStops(Window &w, const QGradientStops &stops) { w.saveGradientStops(stops); }

    static Volume *volume(const Window &w) { return w.volume; }
    static GLWidget *view(const Window &w) { return w.glWidget; }
    static GradientEditor *editor(const Window &w) { return w.gradientEditor; }
    static const QString &fileName(const Window &w) { return w.fileName; }
    static QString status(const Window &w) { return w.statusLabel->text(); }
    static QPushButton *loadButton(const Window &w) { return w.loadButton; }

    // Shows the window and waits for the default stops, which arrive from the event loop;
    // false when the window never came up.
    static bool start(Window &w)
    {
        w.show();
        return QTest::qWaitForWindowExposed(&w) && QTest::qWaitFor([&] { return w.fixateColorBox->isChecked(); }, 2000);
    }
};
