#include "VoxelReadout.h"

#include "PatientAxes.h"

#include <QCoreApplication>

#include <cmath>

std::array<double, 3> voxelPosition(const SliceSource &source, const std::array<int, 3> &voxel)
{
    if (!source.frame.known)
        return {voxel[0] * source.spacingAlong(0), voxel[1] * source.spacingAlong(1), voxel[2] * source.spacingAlong(2)};
    std::array<double, 3> position = source.frame.origin;
    for (int a = 0; a < 3; ++a)
        for (int p = 0; p < 3; ++p)
            position[p] += voxel[a] * source.spacingAlong(a) * source.frame.axes[a][p];
    return position;
}

double slicePosition(const SliceSource &source, int sliceAxis, int slice)
{
    if (!source.frame.known)
        return slice * source.spacingAlong(sliceAxis);
    std::array<int, 3> middle{source.size[0] / 2, source.size[1] / 2, source.size[2] / 2};
    middle[sliceAxis] = slice;
    const AxisOrder order = nearestAxisOrder(source.frame);
    int patientAxis = 0;
    for (int p = 0; p < 3; ++p)
        if (order.voxelAxis[p] == sliceAxis)
            patientAxis = p;
    return voxelPosition(source, middle)[patientAxis];
}

QString voxelReadout(const SliceSource &source, const std::array<int, 3> &voxel)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("VoxelReadout", text); };
    const std::array<double, 3> mm = voxelPosition(source, voxel);
    const uint16_t sample = source.sampleAt(voxel);
    const double value = source.valueAt(voxel);
    const QString position = QString("%1, %2, %3").arg(mm[0], 0, 'f', 1).arg(mm[1], 0, 'f', 1).arg(mm[2], 0, 'f', 1);
    const QString where = source.frame.known ? tr("position %1 mm (LPS)").arg(position) : tr("position %1 mm").arg(position);
    const QString what = source.units.hounsfield ? tr("%1 HU").arg(std::lround(value)) : tr("value %1").arg(value, 0, 'g', 5);
    return tr("voxel %1, %2, %3").arg(voxel[0]).arg(voxel[1]).arg(voxel[2]) + "   " + where + "   " + what + "   "
           + tr("sample %1").arg(sample);
}
