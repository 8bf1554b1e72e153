#include "DicomDirectory.h"

#include "DicomWalk.h"

#include <gdcmDataSet.h>
#include <gdcmReader.h>
#include <gdcmSequenceOfItems.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const gdcm::Tag recordSequenceTag(0x0004, 0x1220);
const gdcm::Tag pixelDataTag(0x7fe0, 0x0010);
const gdcm::Tag referencedFileTag(0x0004, 0x1500);
// Missing files named in the note; the rest are counted.
constexpr int namedMissing = 5;

QString valueText(const gdcm::DataElement &element)
{
    const gdcm::ByteValue *value = element.GetByteValue();
    if (!value)
        return QString();
    return QString::fromLatin1(value->GetPointer(), int(value->GetLength())).trimmed().remove(QChar('\0'));
}

// The entry of `folder` named `component` in any case; empty where there is none.
QString entryWithoutCase(const QDir &folder, const QString &component)
{
    if (folder.exists(component))
        return component;
    for (const QString &entry : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (entry.compare(component, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

// The file at the components below `base`; empty where one is missing.
QString resolve(const QString &base, const QStringList &components)
{
    QString path = base;
    for (const QString &component : components) {
        if (component.isEmpty() || component == QLatin1String("..") || component == QLatin1String("."))
            return QString();
        const QString entry = entryWithoutCase(QDir(path), component);
        if (entry.isEmpty())
            return QString();
        path = QDir(path).filePath(entry);
    }
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace

namespace DicomDirectory {

bool isDicomDirectory(const QString &path)
{
    return QFileInfo(path).fileName().compare(QLatin1String("DICOMDIR"), Qt::CaseInsensitive) == 0 && QFileInfo(path).isFile();
}

Referenced referencedFiles(const QString &path)
{
    Referenced referenced;
    if (!DicomWalk(path).sound())
        return referenced;
    gdcm::Reader reader;
    reader.SetFileName(QFile::encodeName(path).constData());
    // The walk vouches for the elements up to pixel data, which a DICOMDIR does not hold;
    // GDCM aborts on damage it would meet beyond.
    if (!reader.ReadUpToTag(pixelDataTag, {pixelDataTag}))
        return referenced;
    const gdcm::DataSet &dataSet = reader.GetFile().GetDataSet();
    if (!dataSet.FindDataElement(recordSequenceTag))
        return referenced;
    referenced.read = true;
    const gdcm::SmartPointer<gdcm::SequenceOfItems> records = dataSet.GetDataElement(recordSequenceTag).GetValueAsSQ();
    if (!records)
        return referenced;
    const QString base = QFileInfo(path).absolutePath();
    QSet<QString> seen;
    for (gdcm::SequenceOfItems::SizeType i = 1; i <= records->GetNumberOfItems(); ++i) {
        const gdcm::DataSet &record = records->GetItem(i).GetNestedDataSet();
        if (!record.FindDataElement(referencedFileTag))
            continue;
        const QString named = valueText(record.GetDataElement(referencedFileTag));
        if (named.isEmpty())
            continue;
        const QString file = resolve(base, named.split(QLatin1Char('\\')));
        if (file.isEmpty())
            referenced.missing << named;
        else if (!seen.contains(file)) {
            seen.insert(file);
            referenced.files << file;
        }
    }
    return referenced;
}

QString missingNote(const QString &path, const Referenced &referenced)
{
    if (referenced.missing.isEmpty())
        return QString();
    const int total = int(referenced.files.size() + referenced.missing.size());
    QStringList named = referenced.missing.mid(0, namedMissing);
    for (QString &name : named)
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString note = QStringLiteral("%1: %2 of the %3 files it names are missing: %4")
                       .arg(path)
                       .arg(referenced.missing.size())
                       .arg(total)
                       .arg(named.join(QStringLiteral(", ")));
    if (referenced.missing.size() > namedMissing)
        note += QStringLiteral(" and %1 more").arg(referenced.missing.size() - namedMissing);
    return note;
}

} // namespace DicomDirectory
