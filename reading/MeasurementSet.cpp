#include "MeasurementSet.h"

QStringList MeasurementSet::toolNames()
{
    return {tr("cross point"), tr("distance"), tr("angle"), tr("ellipse"), tr("rectangle")};
}

void MeasurementSet::setTool(Tool tool)
{
    if (tool == current)
        return;
    current = tool;
    emit toolChanged(tool);
}

void MeasurementSet::replace(const Measurements &measurements)
{
    gesture = false;
    chosen = -1;
    list = measurements;
    emit changed();
}

void MeasurementSet::select(int index)
{
    const int next = index >= 0 && index < int(list.size()) ? index : -1;
    if (next == chosen)
        return;
    chosen = next;
    emit changed();
}

void MeasurementSet::beginGesture()
{
    if (gesture)
        return;
    gesture = true;
    beforeGesture = list;
}

void MeasurementSet::endGesture()
{
    if (!gesture)
        return;
    gesture = false;
    if (list != beforeGesture)
        emit edited(list);
}

void MeasurementSet::cancelGesture()
{
    if (!gesture)
        return;
    gesture = false;
    list = beforeGesture;
    if (chosen >= int(list.size()))
        chosen = -1;
    emit changed();
}

int MeasurementSet::append(const Measurement &measurement)
{
    list.push_back(measurement);
    chosen = int(list.size()) - 1;
    finishEdit();
    return chosen;
}

void MeasurementSet::update(int index, const Measurement &measurement)
{
    if (index < 0 || index >= int(list.size()) || list[size_t(index)] == measurement)
        return;
    list[size_t(index)] = measurement;
    finishEdit();
}

void MeasurementSet::remove(int index)
{
    if (index < 0 || index >= int(list.size()))
        return;
    list.erase(list.begin() + index);
    if (chosen == index)
        chosen = -1;
    else if (chosen > index)
        --chosen;
    finishEdit();
}

// A change shows at once; outside a gesture it is also an edit.
void MeasurementSet::finishEdit()
{
    emit changed();
    if (!gesture)
        emit edited(list);
}
