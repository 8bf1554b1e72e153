#include "SliceCaption.h"

#include "VoxelReadout.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SliceCaption", text);
}

} // namespace

QString orientationName(SliceOrientation orientation)
{
    switch (orientation) {
    case SliceOrientation::Coronal:
        return tr("Coronal");
    case SliceOrientation::Sagittal:
        return tr("Sagittal");
    case SliceOrientation::Axial:
        break;
    }
    return tr("Axial");
}

QString sliceCaption(const SliceSource &source, const SlicePlane &plane, int slice)
{
    return tr("%1 %2 (0-%3)   %4 mm")
        .arg(orientationName(plane.orientation))
        .arg(slice)
        .arg(source.size[plane.sliceAxis] - 1)
        .arg(slicePosition(source, plane.sliceAxis, slice), 0, 'f', 1);
}

QString windowCaption(const WindowLevel &window)
{
    return tr("W %1 L %2").arg(std::llround(window.width)).arg(std::llround(window.level));
}
