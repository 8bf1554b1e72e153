#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the 3-D view shows along each ray: the picture of the transfer function
// (composite, the start), or the largest (MIP), the smallest (MinIP) or the mean sample of
// the ray inside the crop box, as a grey through the 2-D views' window.
enum class ProjectionMode { Composite, Mip, MinIp, Average };

// "Composite", "MIP", "MinIP", "Average", in the order of ProjectionMode.
QStringList projectionModeNames();
// The mode the command line names "composite", "mip", "minip" or "average"; none for
// another word.
std::optional<ProjectionMode> projectionModeOfWord(const QString &word);
