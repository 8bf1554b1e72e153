#include "StopsHistory.h"

#include <QTest>

namespace {

QGradientStops stopsAt(double middle)
{
    return {QGradientStop(0.0, Qt::transparent), QGradientStop(middle, Qt::white), QGradientStop(1.0, Qt::transparent)};
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
            history.record(stopsAt(i / 1000.0));
        int undone = 0;
        std::optional<QGradientStops> step;
        while (auto previous = history.undo()) {
            step = previous;
            ++undone;
        }
        QCOMPARE(undone, 150);
        QCOMPARE(*step, stopsAt(0.0));
    }

    void aGestureIsOneStep()
    {
        StopsHistory history;
        history.reset(stopsAt(0.5));
        history.beginGesture();
        history.record(stopsAt(0.6));
        history.record(stopsAt(0.7));
        history.endGesture();
        history.record(stopsAt(0.8));
        QCOMPARE(*history.undo(), stopsAt(0.7));
        QCOMPARE(*history.undo(), stopsAt(0.5));
        QVERIFY(!history.undo());
    }

    void aNewEditDropsWhatCouldBeRedone()
    {
        StopsHistory history;
        history.reset(stopsAt(0.5));
        history.record(stopsAt(0.6));
        history.undo();
        QVERIFY(history.canRedo());
        history.record(stopsAt(0.4));
        QVERIFY(!history.canRedo());
        QCOMPARE(*history.undo(), stopsAt(0.5));
    }
};

QTEST_APPLESS_MAIN(TestStopsHistory)
#include "tst_stopshistory.moc"
