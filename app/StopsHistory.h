#pragma once

#include <QGradientStops>
#include <QObject>
#include <QUndoStack>

// The undo history of one volume's transfer function, on a QUndoStack: one command per edit,
// holding the stops before and after it. The edits of one gesture in the editor (press,
// drag, release) merge into one command however many steps the drag has; a gesture that
// ends where it began leaves no command. Undoing or redoing a command hands its stops back
// through stopsRestored, for the editor to show and the stops file to keep. A new edit
// after an undo drops the commands that could have been redone; beyond the capacity the
// oldest go.
class StopsHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int capacity = 200;

    explicit StopsHistory(QObject *parent = nullptr);
    ~StopsHistory() override;

    // Starts anew from these stops, with nothing to undo or redo.
    void reset(const QGradientStops &stops);
    // The stops after an edit; false, and nothing recorded, when they equal the current
    // stops. Before the first reset they become the start.
    bool record(const QGradientStops &stops);

    void beginGesture();
    void endGesture();

    void undo();
    void redo();
    // Tells when undo and redo have something to do.
    const QUndoStack &stack() const { return commands; }
    // The volume's one history, which the measurements' edits join (MeasurementHistory);
    // reset clears them too.
    QUndoStack &undoStack() { return commands; }

signals:
    void stopsRestored(const QGradientStops &stops);

private:
    class StopsEdit;
    void restore(const QGradientStops &stops);

    QUndoStack commands;
    QGradientStops current;
    // The number of the gesture in progress, 0 while none is.
    int gesture = 0;
    int gesturesBegun = 0;
};
