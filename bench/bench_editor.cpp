// Times the two editor operations that run on every mouse move over the curves: one drag
// step of an alpha point with the colours fixed to alpha (alpha point placed, three colour
// points moved, one stops announcement), without the repaint, and one transfer table build
// over 0..4095. Prints microseconds per operation.
//
// Needs a display; run it under xvfb-run or with QT_QPA_PLATFORM=offscreen.

#include "GradientEditor.h"
#include "ShadeWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>

#include <cstdio>

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &pos, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

template <typename Operation>
double microsecondsPer(int repetitions, Operation operation)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repetitions; ++i)
        operation(i);
    return timer.nsecsElapsed() / 1000.0 / repetitions;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    GradientEditor editor(nullptr);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor))
        std::printf("window not exposed; timing anyway\n");

    QGradientStops stops;
    stops << QGradientStop(0.0, QColor::fromRgba(0x00000000)) << QGradientStop(0.25, QColor::fromRgba(0x80FF8000))
          << QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFF)) << QGradientStop(0.75, QColor::fromRgba(0x400080FF))
          << QGradientStop(1.0, QColor::fromRgba(0x00000000));
    editor.setGradientStops(stops);
    editor.moveColorsToAlpha(true);
    QApplication::processEvents();

    ShadeWidget *alpha = editor.findChildren<ShadeWidget *>().last();
    int emissions = 0;
    QObject::connect(&editor, &GradientEditor::gradientStopsChanged, [&emissions] { ++emissions; });

    // Grab the middle alpha point and move it to and fro between its neighbours.
    const QPointF grip = alpha->curvePoints().at(2);
    sendMouse(alpha, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    const int dragSteps = 20000;
    const double dragStep = microsecondsPer(dragSteps, [&](int i) {
        const QPointF to(grip.x() + (i % 2 ? 40 : -40), grip.y() + (i % 2 ? 10 : -10));
        sendMouse(alpha, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    });
    sendMouse(alpha, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);

    const int builds = 2000;
    const double tableBuild = microsecondsPer(builds, [&](int) { editor.buildTransferTable(0, 4095); });

    std::printf("editor width %d, alpha points %d\n", alpha->width(), int(alpha->curvePoints().size()));
    std::printf("coupled drag step: %.2f us per step (%d steps, %d announcements)\n", dragStep, dragSteps,
                emissions);
    std::printf("buildTransferTable(0, 4095): %.2f us per build (%d builds)\n", tableBuild, builds);
    return 0;
}
