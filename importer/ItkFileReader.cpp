#include "ItkFileReader.h"

#include "ImportError.h"
#include "ImportProgress.h"
#include "ItkImageIO.h"

#include <itkMetaImageIO.h>
#include <itkNiftiImageIO.h>
#include <itkNrrdImageIO.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace {

// Headers of detached data are short; this bounds what is read to find the data files.
constexpr qint64 maxHeaderBytes = 1 << 20;
// A header may name its data as a numbered series of files; more than this is no volume.
constexpr long maxNamedFiles = 100000;

itk::ImageIOBase::Pointer ioFor(ItkFormat format)
{
    switch (format) {
    case ItkFormat::Nifti: return itk::NiftiImageIO::New().GetPointer();
    case ItkFormat::Nrrd: return itk::NrrdImageIO::New().GetPointer();
    case ItkFormat::MetaImage: return itk::MetaImageIO::New().GetPointer();
    }
    return nullptr;
}

const char *formatName(ItkFormat format)
{
    switch (format) {
    case ItkFormat::Nifti: return "NIfTI";
    case ItkFormat::Nrrd: return "NRRD";
    case ItkFormat::MetaImage: return "MetaImage";
    }
    return "";
}

QString resolvedBeside(const QString &header, const QString &name)
{
    return QFileInfo(name).isAbsolute() ? name : QFileInfo(header).dir().filePath(name);
}

// "slice%03d.raw 1 5 1": names from a printf pattern with one integer conversion.
QStringList expandPattern(const QStringList &words)
{
    static const QRegularExpression oneInteger(QStringLiteral("^[^%]*%0?[0-9]{0,2}d[^%]*$"));
    if (words.size() < 4 || !oneInteger.match(words[0]).hasMatch())
        return {};
    bool ok[3] = {false, false, false};
    const long first = words[1].toLong(&ok[0]);
    const long last = words[2].toLong(&ok[1]);
    const long step = words[3].toLong(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2] || step == 0 || (last - first) / step < 0 || (last - first) / step > maxNamedFiles)
        return {};
    QStringList names;
    const QByteArray pattern = words[0].toLocal8Bit();
    for (long i = first; step > 0 ? i <= last : i >= last; i += step) {
        char name[4096];
        std::snprintf(name, sizeof name, pattern.constData(), int(i));
        names << QString::fromLocal8Bit(name);
    }
    return names;
}

// The files a detached header names for its data ("data file:" in NRRD, ElementDataFile in
// MetaImage): one name, "LIST" with the names on the following lines, or a numbered pattern.
QStringList namedDataFiles(const QString &header, ItkFormat format)
{
    QFile file(header);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLocal8Bit(file.read(maxHeaderBytes)).split(QLatin1Char('\n'));
    const QRegularExpression key(format == ItkFormat::Nrrd ? QStringLiteral("^data ?file:\\s*(.*)$")
                                                           : QStringLiteral("^ElementDataFile\\s*=\\s*(.*)$"));
    for (int i = 0; i < lines.size(); ++i) {
        if (format == ItkFormat::Nrrd && lines[i].trimmed().isEmpty())
            break;
        const QRegularExpressionMatch match = key.match(lines[i].trimmed());
        if (!match.hasMatch())
            continue;
        const QString value = match.captured(1).trimmed();
        const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList names;
        if (value == QLatin1String("LOCAL"))
            return {};
        if (value.startsWith(QLatin1String("LIST"))) {
            for (int j = i + 1; j < lines.size() && !(format == ItkFormat::Nrrd && lines[j].trimmed().isEmpty()); ++j)
                names += lines[j].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        } else if (value.contains(QLatin1Char('%'))) {
            names = expandPattern(words);
        } else {
            names << value;
        }
        QStringList resolved;
        for (const QString &name : names)
            resolved << resolvedBeside(header, name);
        return resolved;
    }
    return {};
}

// The other half of a NIfTI or Analyze pair: x.hdr for x.img and the other way round.
QStringList niftiPartner(const QString &path)
{
    const QRegularExpression pair(QStringLiteral("^(.*\\.)(hdr|img|HDR|IMG)(\\.gz)?$"));
    const QRegularExpressionMatch match = pair.match(path);
    if (!match.hasMatch())
        return {};
    const QString other = match.captured(2).toLower() == QLatin1String("hdr") ? QStringLiteral("img") : QStringLiteral("hdr");
    return {match.captured(1) + other + match.captured(3), match.captured(1) + other};
}

void acceptSpacing(SourceVolume *volume)
{
    volume->hasSpacing = true;
    for (double spacing : volume->spacing) {
        if (!std::isfinite(spacing) || spacing <= 0.0)
            volume->hasSpacing = false;
    }
    if (!volume->hasSpacing) {
        for (double &spacing : volume->spacing)
            spacing = 1.0;
        volume->notes.push_back("the voxel spacing in the header is not usable; the voxels are shown as cubes");
    }
}

} // namespace

SourceVolume readItkFile(const QString &path, ItkFormat format, const ImportProgress &progress)
{
    ItkImageIO::quietLibraries();
    if (!QFileInfo(path).isFile())
        throw ImportError(QStringLiteral("%1: cannot open: no such file").arg(path));
    SourceVolume volume;
    volume.format = formatName(format);
    volume.files.push_back(path.toStdString());
    const QStringList others = format == ItkFormat::Nifti ? niftiPartner(path) : namedDataFiles(path, format);
    for (const QString &other : others)
        volume.files.push_back(other.toStdString());

    itk::ImageIOBase::Pointer io = ioFor(format);
    if (!io->CanReadFile(path.toLocal8Bit().constData()))
        throw ImportError(QStringLiteral("%1: not a %2 file ITK can read").arg(path, QString::fromLatin1(formatName(format))));
    ItkImageIO::readInformation(*io, path, &volume);
    acceptSpacing(&volume);
    checkCancel(path, progress);
    allocateSamples(path, &volume);
    ItkImageIO::readPixels(*io, path, volume.bytes.data());
    checkCancel(path, progress);
    return volume;
}
