#include "DicomReader.h"

#include "DicomDirectory.h"
#include "DicomHeaderReader.h"
#include "DicomScan.h"
#include "DicomSeriesRules.h"
#include "DicomVolumeRead.h"
#include "ImportError.h"
#include "ImportProgress.h"
#include "ItkImageIO.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// The share of the reading progress spent on looking at each file's header.
constexpr double scanShare = 0.2;

using Stack = std::vector<DicomHeader>;

QString name(const DicomHeader &file)
{
    return QFileInfo(file.path).fileName();
}

// Why `file` cannot be a slice of the volume of the file the user named; empty when it can.
// Rescaled values may differ from file to file (they are read as floats then), the way
// they are stored may not.
QString disagreement(const DicomHeader &named, const DicomHeader &file)
{
    if (!file.pixelDataProblem.isEmpty())
        return file.pixelDataProblem;
    if (file.rows != named.rows || file.columns != named.columns)
        return QStringLiteral("%1 x %2 pixels, not %3 x %4").arg(file.columns).arg(file.rows).arg(named.columns).arg(named.rows);
    if (file.samplesPerPixel != named.samplesPerPixel || file.bitsAllocated != named.bitsAllocated
        || file.pixelRepresentation != named.pixelRepresentation)
        return QStringLiteral("samples of another type");
    if (!DicomSeriesRules::sameOrientation(named, file))
        return QStringLiteral("a plane of another orientation");
    if (file.hasPosition != named.hasPosition)
        return file.hasPosition ? QStringLiteral("a position where the named file has none") : QStringLiteral("no position");
    return QString();
}

QStringList filesBeside(const QString &path)
{
    const QDir folder = QFileInfo(path).absoluteDir();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    QStringList siblings;
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (entry.canonicalFilePath() != canonical)
            siblings << entry.filePath();
    }
    return siblings;
}

// The given file and the files beside it of the same series that agree with it; those that
// do not are named in a note.
Stack seriesOfFile(const QString &path, const ImportProgress &progress, std::vector<std::string> *notes)
{
    DicomHeader given;
    if (!DicomHeaderReader::read(path, &given))
        throw ImportError(QStringLiteral("%1: not a DICOM image").arg(path));
    if (given.seriesUid.isEmpty() || given.frames > 1)
        return {given};
    Stack series{given};
    QStringList leftOut;
    for (DicomHeader &file : DicomScan::scanFiles(path, filesBeside(path), progress, scanShare).headers) {
        const bool copy = !given.instanceUid.isEmpty() && file.instanceUid == given.instanceUid;
        if (file.seriesUid != given.seriesUid || file.frames != 1 || copy)
            continue;
        const QString why = disagreement(given, file);
        if (why.isEmpty())
            series.push_back(std::move(file));
        else
            leftOut << QStringLiteral("%1 (%2)").arg(name(file), why);
    }
    if (!leftOut.isEmpty())
        notes->push_back(QStringLiteral("%1: left out of its series: %2").arg(path, leftOut.join(QStringLiteral(", "))).toStdString());
    return DicomSeriesRules::withoutCopies(std::move(series));
}

QString withoutPrefix(const QString &message, const QString &path)
{
    const QString prefix = path + QStringLiteral(": ");
    return message.startsWith(prefix) ? message.mid(prefix.size()) : message;
}

SourceVolume listing(std::vector<ExamSeries> exam, std::vector<std::string> notes)
{
    SourceVolume list;
    list.format = "DICOM";
    list.exam = std::move(exam);
    list.notes = std::move(notes);
    return list;
}

SourceVolume volumeOfChosen(const QString &path, Stack stack, std::vector<std::string> notes, const ImportOptions &options,
                            const ImportProgress &progress)
{
    return DicomVolumeRead::volumeOfStack(path, std::move(stack), std::move(notes), options.limits, progress, scanShare);
}

// A named file opens its series; where the series makes no volume with it (a slice
// missing, two at one place, a slice that fails to decode), it opens alone and says why.
SourceVolume volumeOfFile(const QString &path, const ImportOptions &options, const ImportProgress &progress)
{
    std::vector<std::string> notes;
    Stack series = seriesOfFile(path, progress, &notes);
    DicomSeriesRules::sortStack(&series);
    const std::vector<ExamSeries> exam{DicomSeriesRules::describe(series)};
    if (options.seriesChoice == SeriesChoice::ListOnly)
        return listing(exam, std::move(notes));
    if (options.seriesChoice == SeriesChoice::Numbered && options.series != 1)
        throw ImportError(QStringLiteral("%1: there is no series %2: the file's exam holds 1 series").arg(path).arg(options.series));
    SourceVolume volume;
    const DicomHeader named = *std::find_if(series.begin(), series.end(), [&path](const DicomHeader &file) { return file.path == path; });
    try {
        volume = volumeOfChosen(path, series, notes, options, progress);
    } catch (const ImportCancelled &) {
        throw;
    } catch (const ImportError &error) {
        if (series.size() == 1)
            throw;
        notes.push_back(QStringLiteral("%1: opened alone: the %2 files of its series make no volume with it: %3")
                            .arg(path)
                            .arg(series.size())
                            .arg(withoutPrefix(error.message(), path))
                            .toStdString());
        volume = volumeOfChosen(path, {named}, std::move(notes), options, progress);
    }
    volume.exam = exam;
    volume.openedSeries = 1;
    return volume;
}

// "2 (axial 2.5, 6 images)": an entry by its number in the list.
QString entryName(const std::vector<ExamSeries> &exam, size_t index)
{
    const ExamSeries &series = exam[index];
    return QStringLiteral("%1 (%2, %3 %4)")
        .arg(index + 1)
        .arg(QString::fromStdString(examSeriesName(series)))
        .arg(series.images)
        .arg(series.images == 1 ? QStringLiteral("image") : QStringLiteral("images"));
}

QString othersNote(const QString &path, const std::vector<ExamSeries> &exam, size_t opened)
{
    QStringList others;
    for (size_t i = 0; i < exam.size(); ++i) {
        if (i != opened)
            others << entryName(exam, i);
    }
    return QStringLiteral("%1: opened series %2 of %3; the others: %4")
        .arg(path, entryName(exam, opened))
        .arg(exam.size())
        .arg(others.join(QStringLiteral(", ")));
}

size_t chosenIndex(const QString &path, const std::vector<ExamSeries> &exam, const ImportOptions &options)
{
    if (options.seriesChoice != SeriesChoice::Numbered)
        return largestShowableSeries(exam);
    if (options.series < 1 || size_t(options.series) > exam.size())
        throw ImportError(QStringLiteral("%1: there is no series %2: the exam holds %3 series").arg(path).arg(options.series).arg(exam.size()));
    return size_t(options.series - 1);
}

SourceVolume volumeOfExam(const QString &path, std::vector<DicomHeader> headers, std::vector<std::string> notes,
                          const ImportOptions &options, const ImportProgress &progress)
{
    std::vector<Stack> stacks = DicomSeriesRules::stacksOf(std::move(headers));
    std::vector<ExamSeries> exam = DicomSeriesRules::describeAll(stacks);
    const bool several = stacks.size() > 1;
    if (options.seriesChoice == SeriesChoice::ListOnly || (options.seriesChoice == SeriesChoice::AskWhenSeveral && several))
        return listing(std::move(exam), std::move(notes));
    const size_t chosen = chosenIndex(path, exam, options);
    if (exam[chosen].colour)
        throw ImportError(QStringLiteral("%1: series %2 holds colour images; only grey images are shown").arg(path, entryName(exam, chosen)));
    if (several)
        notes.insert(notes.begin(), othersNote(path, exam, chosen).toStdString());
    SourceVolume volume = volumeOfChosen(path, std::move(stacks[chosen]), std::move(notes), options, progress);
    volume.exam = std::move(exam);
    volume.openedSeries = int(chosen) + 1;
    return volume;
}

void addNote(const QString &note, std::vector<std::string> *notes)
{
    if (!note.isEmpty())
        notes->push_back(note.toStdString());
}

SourceVolume volumeOfFolder(const QString &folder, const ImportOptions &options, const ImportProgress &progress)
{
    DicomScanResult scan = DicomScan::scanFolder(folder, progress, scanShare);
    if (scan.headers.empty()) {
        if (scan.unreadableFiles > 0)
            throw ImportError(QStringLiteral("%1: the folder holds no DICOM images it may read: permission denied for %2 of its %3 files")
                                  .arg(folder)
                                  .arg(scan.unreadableFiles)
                                  .arg(scan.filesSeen));
        throw ImportError(QStringLiteral("%1: the folder holds no DICOM images").arg(folder));
    }
    std::vector<std::string> notes;
    const QString passed = DicomScan::passedOverNote(scan);
    if (!passed.isEmpty())
        addNote(folder + QStringLiteral(": ") + passed, &notes);
    return volumeOfExam(folder, std::move(scan.headers), std::move(notes), options, progress);
}

SourceVolume volumeOfDirectory(const QString &path, const ImportOptions &options, const ImportProgress &progress)
{
    const DicomDirectory::Referenced referenced = DicomDirectory::referencedFiles(path);
    if (!referenced.read)
        throw ImportError(QStringLiteral("%1: not a DICOMDIR that can be read").arg(path));
    DicomScanResult scan = DicomScan::scanFiles(path, referenced.files, progress, scanShare);
    if (scan.headers.empty())
        throw ImportError(QStringLiteral("%1: names no DICOM image that is there (%2 named, %3 missing)")
                              .arg(path)
                              .arg(referenced.files.size() + referenced.missing.size())
                              .arg(referenced.missing.size()));
    std::vector<std::string> notes;
    addNote(DicomDirectory::missingNote(path, referenced), &notes);
    const QString passed = DicomScan::passedOverNote(scan);
    if (!passed.isEmpty())
        addNote(path + QStringLiteral(": ") + passed, &notes);
    return volumeOfExam(path, std::move(scan.headers), std::move(notes), options, progress);
}

} // namespace

bool looksLikeDicom(const QString &path)
{
    DicomHeader header;
    return DicomHeaderReader::read(path, &header);
}

SourceVolume readDicom(const QString &path, const ImportOptions &options, const ImportProgress &progress)
{
    ItkImageIO::quietLibraries();
    const QFileInfo info(path);
    if (!info.exists())
        throw ImportError(QStringLiteral("%1: cannot open: no such file or folder").arg(path));
    if (info.isDir())
        return volumeOfFolder(path, options, progress);
    if (DicomDirectory::isDicomDirectory(path))
        return volumeOfDirectory(path, options, progress);
    return volumeOfFile(path, options, progress);
}
