#include "StopsHistory.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QGradientStops stopsAt(double middle)
{
    return {QGradientStop(0.0, Qt::transparent), QGradientStop(middle, Qt::white), QGradientStop(1.0, Qt::transparent)};
}

// Undoes every step; the stops each undo hands back, in order.
QList<QGradientStops> undoAll(StopsHistory &history)
{
    QSignalSpy restored(&history, &StopsHistory::stopsRestored);
    while (history.stack().canUndo())
        history.undo();
    QList<QGradientStops> steps;
    for (const QList<QVariant> &arguments : restored)
        steps << arguments.first().value<QGradientStops>();
    return steps;
}

} // namespace

class TestStopsHistory : public QObject
{
    Q_OBJECT

private slots:
    void keepsAtLeastAHundredSteps()
    {
        StopsHistory history;
        history.reset(stopsAt(0.0));
        for (int i = 1; i <= 150; ++i)
            QVERIFY(history.record(stopsAt(i / 1000.0)));
        const QList<QGradientStops> steps = undoAll(history);
        QCOMPARE(steps.size(), 150);
        QCOMPARE(steps.first(), stopsAt(0.149));
        QCOMPARE(steps.last(), stopsAt(0.0));
    }

    // The steps of one gesture are one edit; one that comes back to where it began is none,
    // and stops equal to the current ones are no edit at all.
    void gesturesAndRepeatsMakeNoExtraSteps()
    {
        StopsHistory history;
        history.reset(stopsAt(0.5));
        history.beginGesture();
        history.record(stopsAt(0.6));
        history.record(stopsAt(0.7));
        history.endGesture();
        QVERIFY(!history.record(stopsAt(0.7)));
        history.beginGesture();
        history.record(stopsAt(0.9));
        history.record(stopsAt(0.7));
        history.endGesture();
        history.record(stopsAt(0.8));
        QCOMPARE(undoAll(history), QList<QGradientStops>({stopsAt(0.7), stopsAt(0.5)}));
    }

    void redoRestoresAndANewEditDropsWhatCouldBeRedone()
    {
        StopsHistory history;
        history.reset(stopsAt(0.5));
        history.record(stopsAt(0.6));
        history.record(stopsAt(0.7));
        QSignalSpy restored(&history, &StopsHistory::stopsRestored);
        history.undo();
        history.undo();
        history.redo();
        QCOMPARE(restored.last().first().value<QGradientStops>(), stopsAt(0.6));
        history.record(stopsAt(0.4));
        QVERIFY(!history.stack().canRedo());
        QCOMPARE(undoAll(history), QList<QGradientStops>({stopsAt(0.6), stopsAt(0.5)}));
    }
};

QTEST_APPLESS_MAIN(TestStopsHistory)
#include "tst_stopshistory.moc"
