#pragma once

#include "Measurement.h"

#include <QMetaType>
#include <QObject>
#include <QStringList>

// The measurements of the volume shown, which every 2-D view draws on its own slices, the
// one selected, and the tool a left drag on empty slice uses.
//
// What the user does becomes one edit: a drag is a gesture, shown while it lasts and
// announced through edited when it ends (once, and only where it changed something);
// anything outside a gesture is an edit of its own. replace puts measurements in place
// without an edit, for what the user did not do here: those stored for a volume, an undone
// step.
class MeasurementSet : public QObject
{
    Q_OBJECT

public:
    enum class Tool { CrossPoint, Distance, Angle, Ellipse, Rectangle };
    Q_ENUM(Tool)

    using QObject::QObject;

    const Measurements &all() const { return list; }
    // -1 where none is.
    int selected() const { return chosen; }
    Tool tool() const { return current; }
    // The tools' names, in the order of Tool, for the controls that choose one.
    static QStringList toolNames();
    void setTool(Tool tool);

    void replace(const Measurements &measurements);
    void select(int index);

    void beginGesture();
    void endGesture();
    // Back to where the gesture began, without an edit.
    void cancelGesture();
    bool inGesture() const { return gesture; }

    // Appends and selects; the new one's index.
    int append(const Measurement &measurement);
    void update(int index, const Measurement &measurement);
    void remove(int index);

signals:
    // What the views draw changed: a measurement, or the selection.
    void changed();
    void edited(const Measurements &measurements);
    void toolChanged(MeasurementSet::Tool tool);

private:
    void finishEdit();

    Measurements list;
    Measurements beforeGesture;
    int chosen = -1;
    bool gesture = false;
    Tool current = Tool::CrossPoint;
};

Q_DECLARE_METATYPE(Measurements)
