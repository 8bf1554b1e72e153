#include "SliceView.h"

#include "MeasurementShape.h"
#include "ReadingState.h"
#include "SliceCaption.h"
#include "SliceOverlay.h"
#include "SliceViewMenu.h"
#include "VoxelReadout.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// Room around the slice for the edge letters, in widget pixels.
constexpr int letterMargin = 18;
constexpr int wheelStep = 120;
// How far a right drag must go before it changes the window rather than being a click that
// opens the menu.
constexpr double windowDragStart = 3.0;

// The keys a view takes for itself while it has the focus, before the window's shortcuts of
// the same keys (which zoom and reset the 3-D view).
bool isViewKey(const QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
    case Qt::Key_Home:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace

SliceView::SliceView(SliceOrientation orientation, ReadingState *state, QWidget *parent)
    : QWidget(parent), state(state), editor(state->measurements())
{
    plane.orientation = orientation;
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    takeSource();
    connect(state, &ReadingState::sourceChanged, this, [this] {
        takeSource();
        update();
    });
    connect(state, &ReadingState::windowChanged, this, [this] {
        greysStale = true;
        update();
    });
    connect(state, &ReadingState::crossPointChanged, this, &SliceView::followCrossPoint);
    MeasurementSet *set = state->measurements();
    connect(set, &MeasurementSet::changed, this, qOverload<>(&SliceView::update));
    connect(set, &MeasurementSet::toolChanged, this, [this](MeasurementSet::Tool tool) {
        setCursor(tool == MeasurementSet::Tool::CrossPoint ? Qt::ArrowCursor : Qt::CrossCursor);
    });
}

void SliceView::takeSource()
{
    editor.cancel();
    plane = slicePlaneFor(plane.orientation, state->source());
    cachedSlice = -1;
    shownSlice = slice();
    zoomState.fit();
    measurementPainter.forget();
}

// Another view's click moves this view's slice, or only the lines across it; the voxel under
// a cursor that stays put may now be another. A measurement half drawn stays on its slice.
void SliceView::followCrossPoint()
{
    if (slice() != shownSlice)
        editor.cancel();
    shownSlice = slice();
    update();
    if (underMouse())
        announce(mapFromGlobal(QCursor::pos()));
}

int SliceView::slice() const
{
    return state->crossPoint()[plane.sliceAxis];
}

QRectF SliceView::letterArea() const
{
    return QRectF(rect()).adjusted(letterMargin, letterMargin, -letterMargin, -letterMargin);
}

QRectF SliceView::fittedImageRect() const
{
    if (state->source().isEmpty())
        return QRectF();
    return fittedRect(planeExtent(plane, state->source()), letterArea());
}

QRectF SliceView::imageRect() const
{
    const QRectF fitted = fittedImageRect();
    return fitted.isEmpty() ? fitted : zoomState.imageRect(fitted);
}

SliceMapping SliceView::sliceMapping() const
{
    return SliceMapping{plane, state->source().size, imageRect(), slice()};
}

std::optional<std::array<int, 3>> SliceView::voxelAt(const QPointF &point) const
{
    const SliceSource &source = state->source();
    if (source.isEmpty() || !letterArea().contains(point))
        return std::nullopt;
    const std::optional<QPoint> cell = cellAt(point, imageRect(), planeCells(plane, source.size));
    if (!cell)
        return std::nullopt;
    return voxelOfCell(plane, *cell, slice(), source.size);
}

void SliceView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const SliceSource &source = state->source();
    if (source.isEmpty())
        return;
    if (cachedSlice != slice() || cachedSlab != slabSetting) {
        gathered = slabSamples(source, plane, slice(), slabSetting);
        cachedSlice = slice();
        cachedSlab = slabSetting;
        greysStale = true;
    }
    if (greysStale) {
        cached = greyImage(gathered, state->greys());
        greysStale = false;
    }
    const QRectF area = letterArea();
    const QRectF shown = imageRect();
    painter.save();
    painter.setClipRect(area);
    drawSliceImagePart(painter, cached, shown, area);
    drawCrossLines(painter, plane, state->axisOrder(), source.size, state->crossPoint(), shown);
    measurementPainter.draw(painter, sliceMapping(), source, *state->measurements());
    painter.restore();
    drawEdgeLetters(painter, plane, shown.intersected(area), letterMargin);
    drawCaptions(painter);
}

void SliceView::drawCaptions(QPainter &painter) const
{
    const QRectF corner = QRectF(rect()).adjusted(4, 2, -4, -2);
    painter.setPen(orientationColour(plane.orientation));
    painter.drawText(corner, Qt::AlignLeft | Qt::AlignTop, sliceCaption(state->source(), plane, slice()));
    painter.drawText(corner, Qt::AlignRight | Qt::AlignTop, slabCaption(state->source(), plane, slice(), slabSetting));
    painter.setPen(Qt::lightGray);
    painter.drawText(corner, Qt::AlignLeft | Qt::AlignBottom, windowCaption(state->window()));
    if (!zoomState.isFitted())
        painter.drawText(corner, Qt::AlignRight | Qt::AlignBottom, tr("zoom %1x").arg(zoomState.factor(), 0, 'f', 1));
}

bool SliceView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && isViewKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void SliceView::mousePressEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    pressPos = lastDragPos = pos;
    switch (event->button()) {
    case Qt::LeftButton:
        drag = editor.press(sliceMapping(), pos) ? Drag::Measuring : Drag::CrossPoint;
        if (drag == Drag::CrossPoint)
            moveCrossPointTo(pos);
        break;
    case Qt::MiddleButton:
        drag = Drag::Pan;
        break;
    case Qt::RightButton:
        drag = Drag::Window;
        windowDragStarted = false;
        break;
    default:
        break;
    }
}

void SliceView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    hovered = pos;
    if (drag == Drag::Window && (event->buttons() & Qt::RightButton)) {
        dragWindow(pos);
    } else if (drag == Drag::Pan && (event->buttons() & Qt::MiddleButton)) {
        if (zoomState.pan(pos - lastDragPos, fittedImageRect()))
            update();
        lastDragPos = pos;
    } else if (drag == Drag::CrossPoint && (event->buttons() & Qt::LeftButton)) {
        moveCrossPointTo(pos);
    } else {
        // A drag of a measurement, or an angle's second arm following the mouse.
        editor.move(sliceMapping(), pos);
    }
    announce(pos);
}

void SliceView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    if (event->button() == Qt::LeftButton && drag == Drag::Measuring)
        editor.release(sliceMapping(), pos);
    if (event->button() == Qt::RightButton && drag == Drag::Window && !windowDragStarted) {
        QMenu *menu = sliceViewMenu(this, state, pos);
        menu->exec(event->globalPosition().toPoint());
        delete menu;
    }
    drag = Drag::None;
}

// A right drag counts once it has gone a few pixels, and then from where it was pressed.
void SliceView::dragWindow(const QPointF &point)
{
    const QPointF moved = point - pressPos;
    if (!windowDragStarted && std::max(std::fabs(moved.x()), std::fabs(moved.y())) < windowDragStart)
        return;
    windowDragStarted = true;
    const SampleUnits &units = state->source().units;
    const QPoint step = point.toPoint() - lastDragPos.toPoint();
    state->setWindow(draggedWindow(state->window(), step.x(), step.y(), dragUnitsPerPixel(units), units));
    lastDragPos = point;
}

void SliceView::moveCrossPointTo(const QPointF &point)
{
    if (const auto voxel = voxelAt(point))
        state->setCrossPoint(*voxel);
}

void SliceView::announce(const QPointF &point)
{
    const auto voxel = voxelAt(point);
    const QString text = voxel ? voxelReadout(state->source(), *voxel) : QString();
    if (text == lastReadout)
        return;
    lastReadout = text;
    emit readoutChanged(text);
}

void SliceView::leaveEvent(QEvent *)
{
    hovered.reset();
    if (lastReadout.isEmpty())
        return;
    lastReadout.clear();
    emit readoutChanged(QString());
}

void SliceView::wheelEvent(QWheelEvent *event)
{
    // Fine-grained wheels and touchpads send parts of a step; they add up to whole ones.
    hovered = event->position();
    const bool zooming = event->modifiers() & Qt::ControlModifier;
    int &turn = zooming ? zoomTurn : wheelTurn;
    turn += event->angleDelta().y();
    const int steps = turn / wheelStep;
    turn -= steps * wheelStep;
    if (steps != 0 && zooming)
        zoomAbout(event->position(), steps);
    else if (steps != 0)
        stepSlices(steps);
    event->accept();
}

void SliceView::keyPressEvent(QKeyEvent *event)
{
    const int page = std::max(1, state->source().size[plane.sliceAxis] / 10);
    switch (event->key()) {
    case Qt::Key_PageUp:
        stepSlices(page);
        break;
    case Qt::Key_PageDown:
        stepSlices(-page);
        break;
    case Qt::Key_Up:
        stepSlices(1);
        break;
    case Qt::Key_Down:
        stepSlices(-1);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAbout(zoomCentre(), 1);
        break;
    case Qt::Key_Minus:
        zoomAbout(zoomCentre(), -1);
        break;
    case Qt::Key_Home:
        fitSlice();
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        deleteSelected();
        break;
    case Qt::Key_Escape:
        editor.cancel();
        state->measurements()->select(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

// The cursor where it is over the slice, the middle of the view otherwise.
QPointF SliceView::zoomCentre() const
{
    return hovered && letterArea().contains(*hovered) ? *hovered : letterArea().center();
}

void SliceView::zoomAbout(const QPointF &point, int steps)
{
    if (!zoomState.zoomAbout(point, std::pow(SliceZoom::step, steps), fittedImageRect()))
        return;
    update();
    if (hovered)
        announce(*hovered);
}

void SliceView::fitSlice()
{
    if (zoomState.fit())
        update();
}

void SliceView::setSlab(const SlabSetting &slab)
{
    const SlabSetting taken{std::max(0.0, slab.thickness), slab.mode};
    if (taken == slabSetting)
        return;
    slabSetting = taken;
    update();
    emit slabChanged(slabSetting);
}

void SliceView::stepCine()
{
    const int slices = state->source().size[plane.sliceAxis];
    if (slices <= 0)
        return;
    std::array<int, 3> voxel = state->crossPoint();
    voxel[plane.sliceAxis] = (slice() + plane.stepUp + slices) % slices;
    state->setCrossPoint(voxel);
}

// What is being drawn or dragged is dropped rather than deleted, so that the drag does not
// go on without its measurement.
void SliceView::deleteSelected()
{
    if (editor.isBusy()) {
        editor.cancel();
        return;
    }
    MeasurementSet *set = state->measurements();
    const int selected = set->selected();
    if (selected >= 0 && isOnSlice(set->all()[size_t(selected)], sliceMapping()))
        set->remove(selected);
}

// A measurement being drawn or dragged keeps the view on its slice.
void SliceView::stepSlices(int steps)
{
    if (editor.isBusy())
        return;
    state->moveCrossPoint(plane.sliceAxis, steps * plane.stepUp);
}
