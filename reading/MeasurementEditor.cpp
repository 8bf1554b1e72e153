#include "MeasurementEditor.h"

#include "MeasurementGeometry.h"
#include "MeasurementShape.h"

namespace {

MeasurementKind kindOf(MeasurementSet::Tool tool)
{
    switch (tool) {
    case MeasurementSet::Tool::Angle:
        return MeasurementKind::Angle;
    case MeasurementSet::Tool::Ellipse:
        return MeasurementKind::Ellipse;
    case MeasurementSet::Tool::Rectangle:
        return MeasurementKind::Rectangle;
    default:
        return MeasurementKind::Distance;
    }
}

VoxelPoint difference(const VoxelPoint &a, const VoxelPoint &b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

} // namespace

bool MeasurementEditor::press(const SliceMapping &mapping, const QPointF &point)
{
    forgetReplacedGesture();
    if (action == Action::SecondArm) {
        Measurement angle = set->all()[size_t(index)];
        angle.points[2] = mapping.toVoxel(point);
        set->update(index, angle);
        finish();
        return true;
    }
    if (mapping.rect.isEmpty())
        return false;
    const MeasurementHit hit = hitAt(set->all(), set->selected(), mapping, point);
    if (!hit.found()) {
        set->select(-1);
        return set->tool() != MeasurementSet::Tool::CrossPoint && startDrawing(mapping, point);
    }
    set->beginGesture();
    set->select(hit.index);
    index = hit.index;
    handle = hit.handle;
    original = set->all()[size_t(index)];
    grabbed = mapping.toVoxel(point);
    action = handle >= 0 ? Action::MovingHandle : Action::MovingWhole;
    return true;
}

bool MeasurementEditor::startDrawing(const SliceMapping &mapping, const QPointF &point)
{
    Measurement drawn;
    drawn.kind = kindOf(set->tool());
    drawn.sliceAxis = mapping.plane.sliceAxis;
    drawn.slice = mapping.slice;
    drawn.points.assign(size_t(pointCount(drawn.kind)), mapping.toVoxel(point));
    set->beginGesture();
    index = set->append(drawn);
    action = Action::Drawing;
    return true;
}

void MeasurementEditor::move(const SliceMapping &mapping, const QPointF &point)
{
    forgetReplacedGesture();
    if (action == Action::None)
        return;
    const VoxelPoint at = mapping.toVoxel(point);
    Measurement changed = set->all()[size_t(index)];
    switch (action) {
    case Action::Drawing:
        // An angle's vertex and its second arm's end follow together until the first arm is
        // laid down.
        for (size_t p = 1; p < changed.points.size(); ++p)
            changed.points[p] = at;
        break;
    case Action::SecondArm:
        changed.points[2] = at;
        break;
    case Action::MovingHandle:
        changed = withHandleAt(original, handle, at);
        break;
    case Action::MovingWhole:
        changed = movedWithinSlice(original, difference(at, grabbed), mapping.size);
        break;
    case Action::None:
        break;
    }
    set->update(index, changed);
}

void MeasurementEditor::release(const SliceMapping &mapping, const QPointF &point)
{
    forgetReplacedGesture();
    if (action == Action::None || action == Action::SecondArm)
        return;
    move(mapping, point);
    if (action == Action::Drawing) {
        const Measurement &drawn = set->all()[size_t(index)];
        // A click without a drag draws nothing.
        if (drawn.points[1] == drawn.points[0]) {
            cancel();
            return;
        }
        if (drawn.kind == MeasurementKind::Angle) {
            action = Action::SecondArm;
            return;
        }
    }
    finish();
}

void MeasurementEditor::cancel()
{
    if (action == Action::None)
        return;
    action = Action::None;
    index = -1;
    set->cancelGesture();
}

void MeasurementEditor::finish()
{
    action = Action::None;
    index = -1;
    set->endGesture();
}

// The set's measurements were replaced under the gesture (an undo, another volume), or the
// one in hand was deleted: what was being drawn or dragged is gone with them.
void MeasurementEditor::forgetReplacedGesture()
{
    if (action == Action::None)
        return;
    if (set->inGesture() && index >= 0 && index < int(set->all().size()))
        return;
    action = Action::None;
    index = -1;
    set->cancelGesture();
}
