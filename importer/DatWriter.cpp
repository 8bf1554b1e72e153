#include "DatWriter.h"

#include "DatFile.h"
#include "ImportError.h"
#include "SampleArray.h"
#include "ValueMapping.h"

#include <QFile>

#include <vector>

namespace {

void refuseIfAny(const QString &path, const std::string &reason)
{
    if (!reason.empty())
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(path, QString::fromStdString(reason)));
}

} // namespace

void writeDat(const QString &path, const SampleArray &samples, const ValueMapping &mapping)
{
    const VolumeSource &source = samples.source();
    // Refused before the mapped copy is made: the viewer's limits, not the memory, decide.
    refuseIfAny(path, gridRefusal(int64_t(source.sizeX), int64_t(source.sizeY), int64_t(source.sizeZ)));
    const DatHeader header{uint16_t(source.sizeX), uint16_t(source.sizeY), uint16_t(source.sizeZ)};
    std::vector<uint16_t> mapped(samples.count());
    for (uint64_t i = 0; i < samples.count(); ++i)
        mapped[i] = mapping.map(samples.value(i));
    refuseIfAny(path, writeDatFile(QFile::encodeName(path).constData(), header, mapped.data()));
}
