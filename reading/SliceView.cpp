#include "SliceView.h"

#include "ReadingState.h"
#include "VoxelReadout.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

// Room around the slice for the edge letters, in widget pixels.
constexpr int letterMargin = 18;
constexpr int wheelStep = 120;

QString nameOf(SliceOrientation orientation)
{
    switch (orientation) {
    case SliceOrientation::Coronal:
        return SliceView::tr("Coronal");
    case SliceOrientation::Sagittal:
        return SliceView::tr("Sagittal");
    case SliceOrientation::Axial:
        break;
    }
    return SliceView::tr("Axial");
}

} // namespace

SliceView::SliceView(SliceOrientation orientation, ReadingState *state, QWidget *parent)
    : QWidget(parent), state(state)
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
    // Another view's click moves this view's slice, or only the lines across it; the voxel
    // under a cursor that stays put may now be another.
    connect(state, &ReadingState::crossPointChanged, this, [this] {
        update();
        if (underMouse())
            announce(mapFromGlobal(QCursor::pos()));
    });
}

QColor SliceView::colourOf(SliceOrientation orientation)
{
    switch (orientation) {
    case SliceOrientation::Coronal:
        return QColor(90, 210, 90);
    case SliceOrientation::Sagittal:
        return QColor(240, 200, 60);
    case SliceOrientation::Axial:
        break;
    }
    return QColor(235, 90, 90);
}

void SliceView::takeSource()
{
    plane = slicePlaneFor(plane.orientation, state->source());
    cachedSlice = -1;
}

int SliceView::slice() const
{
    return state->crossPoint()[plane.sliceAxis];
}

QRectF SliceView::letterArea() const
{
    return QRectF(rect()).adjusted(letterMargin, letterMargin, -letterMargin, -letterMargin);
}

QRectF SliceView::imageRect() const
{
    if (state->source().isEmpty())
        return QRectF();
    return fittedRect(planeExtent(plane, state->source()), letterArea());
}

std::optional<std::array<int, 3>> SliceView::voxelAt(const QPointF &point) const
{
    const SliceSource &source = state->source();
    if (source.isEmpty())
        return std::nullopt;
    const std::optional<QPoint> cell = cellAt(point, imageRect(), planeCells(plane, source.size));
    if (!cell)
        return std::nullopt;
    return voxelOfCell(plane, *cell, slice(), source.size);
}

void SliceView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const SliceSource &source = state->source();
    if (source.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (cachedSlice != slice()) {
        gathered = sliceSamples(source, plane, slice());
        cachedSlice = slice();
        greysStale = true;
    }
    if (greysStale) {
        cached = greyImage(gathered, state->greys());
        greysStale = false;
    }
    painter.fillRect(rect(), Qt::black);
    const QRectF shown = drawSliceImage(painter, cached, planeExtent(plane, source), letterArea());
    drawCrossLines(painter, shown);
    drawLetters(painter, shown);
    drawCaptions(painter);
}

// Each line lies on the plane of the view whose slices are stacked along the axis it
// crosses, in that view's colour, through the middle of the cross point's cell.
void SliceView::drawCrossLines(QPainter &painter, const QRectF &rect) const
{
    const std::array<int, 3> &size = state->source().size;
    const QSize cells = planeCells(plane, size);
    const QPoint cell = cellOfVoxel(plane, state->crossPoint(), size);
    const double x = rect.left() + (cell.x() + 0.5) * rect.width() / cells.width();
    const double y = rect.top() + (cell.y() + 0.5) * rect.height() / cells.height();
    const auto viewAlong = [this](int axis) {
        for (SliceOrientation o : {SliceOrientation::Axial, SliceOrientation::Coronal, SliceOrientation::Sagittal})
            if (slicePlaneFor(o, state->axisOrder(), false).sliceAxis == axis)
                return o;
        return plane.orientation;
    };
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colourOf(viewAlong(plane.columnAxis)), 0));
    painter.drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
    painter.setPen(QPen(colourOf(viewAlong(plane.rowAxis)), 0));
    painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
}

void SliceView::drawLetters(QPainter &painter, const QRectF &rect) const
{
    if (!plane.edgeLetters[0])
        return;
    painter.setPen(Qt::white);
    const QRectF area = rect.adjusted(-letterMargin, -letterMargin, letterMargin, letterMargin);
    const auto letter = [&](int edge) { return QString(QChar::fromLatin1(plane.edgeLetters[edge])); };
    painter.drawText(QRectF(area.left(), rect.top(), letterMargin, rect.height()), Qt::AlignCenter, letter(0));
    painter.drawText(QRectF(rect.right(), rect.top(), letterMargin, rect.height()), Qt::AlignCenter, letter(1));
    painter.drawText(QRectF(rect.left(), area.top(), rect.width(), letterMargin), Qt::AlignCenter, letter(2));
    painter.drawText(QRectF(rect.left(), rect.bottom(), rect.width(), letterMargin), Qt::AlignCenter, letter(3));
}

void SliceView::drawCaptions(QPainter &painter) const
{
    const int slices = state->source().size[plane.sliceAxis];
    // Counted the way Page Up goes, so that the number grows towards the head, the front
    // or the patient's left whatever the order of storage.
    const int number = plane.stepUp > 0 ? slice() + 1 : slices - slice();
    const QRectF corner = QRectF(rect()).adjusted(4, 2, -4, -2);
    painter.setPen(colourOf(plane.orientation));
    painter.drawText(corner, Qt::AlignLeft | Qt::AlignTop, tr("%1 %2/%3").arg(nameOf(plane.orientation)).arg(number).arg(slices));
    painter.setPen(Qt::lightGray);
    const WindowLevel &window = state->window();
    painter.drawText(corner, Qt::AlignLeft | Qt::AlignBottom,
                     tr("W %1 L %2").arg(window.width, 0, 'g', 5).arg(window.level, 0, 'g', 5));
}

void SliceView::mousePressEvent(QMouseEvent *event)
{
    lastDragPos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        moveCrossPointTo(event->position());
}

void SliceView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::RightButton) {
        const SampleUnits &units = state->source().units;
        state->setWindow(draggedWindow(state->window(), pos.x() - lastDragPos.x(), pos.y() - lastDragPos.y(),
                                       dragUnitsPerPixel(units), units));
    } else if (event->buttons() & Qt::LeftButton) {
        moveCrossPointTo(event->position());
    }
    lastDragPos = pos;
    announce(event->position());
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
    if (lastReadout.isEmpty())
        return;
    lastReadout.clear();
    emit readoutChanged(QString());
}

void SliceView::wheelEvent(QWheelEvent *event)
{
    // Fine-grained wheels and touchpads send parts of a step; they add up to whole slices.
    wheelTurn += event->angleDelta().y();
    const int steps = wheelTurn / wheelStep;
    wheelTurn -= steps * wheelStep;
    if (steps != 0)
        stepSlices(steps);
    event->accept();
}

void SliceView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
        stepSlices(1);
        break;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
        stepSlices(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SliceView::stepSlices(int steps)
{
    state->moveCrossPoint(plane.sliceAxis, steps * plane.stepUp);
}
