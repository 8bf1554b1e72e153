#include "ProjectionMode.h"

#include <QCoreApplication>

QStringList projectionModeNames()
{
    return {QCoreApplication::translate("ProjectionMode", "Composite"), QCoreApplication::translate("ProjectionMode", "MIP"),
            QCoreApplication::translate("ProjectionMode", "MinIP"), QCoreApplication::translate("ProjectionMode", "Average")};
}

std::optional<ProjectionMode> projectionModeOfWord(const QString &word)
{
    static const QStringList words{"composite", "mip", "minip", "average"};
    const int index = int(words.indexOf(word));
    if (index < 0)
        return std::nullopt;
    return ProjectionMode(index);
}
