#include "DicomReader.h"

#include "ImportError.h"
#include "ImportProgress.h"
#include "ItkImageIO.h"
#include "PatientFrameMath.h"

#include <gdcmReader.h>
#include <gdcmStringFilter.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

namespace {

// The share of the reading progress spent on looking at each file's header.
constexpr double scanShare = 0.2;
// Slices closer than this fraction of the spacing to their expected place count as even.
constexpr double spacingTolerance = 0.02;
constexpr double orientationTolerance = 1e-3;
const gdcm::Tag pixelDataTag(0x7fe0, 0x0010);

// What one file's header says, read without its pixel data.
struct DicomFile
{
    QString path;
    QString seriesUid;
    QString instanceUid;
    QString seriesLabel;
    QString modality;
    unsigned rows = 0;
    unsigned columns = 0;
    unsigned frames = 1;
    unsigned samplesPerPixel = 1;
    QString storage; // bits allocated and stored, pixel representation, slope, intercept
    unsigned bitsAllocated = 16;
    unsigned pixelRepresentation = 0;
    bool hasPosition = false;
    std::array<double, 3> position{};
    bool hasOrientation = false;
    std::array<double, 6> orientation{};
    bool hasInstance = false;
    long instance = 0;
    bool hasPixelSpacing = false;
    double sliceSpacing = 0.0;
    // Why the pixel data cannot be whole; empty when it can.
    QString pixelDataProblem;
};

std::vector<double> numbers(const std::string &text)
{
    std::vector<double> values;
    for (const QString &part : QString::fromStdString(text).split(QLatin1Char('\\'))) {
        bool ok = false;
        const double value = part.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return {};
        values.push_back(value);
    }
    return values;
}

unsigned whole(const std::string &text, unsigned fallback)
{
    bool ok = false;
    const unsigned value = QString::fromStdString(text).trimmed().toUInt(&ok);
    return ok ? value : fallback;
}

uint32_t readWord(const unsigned char *p, int size, bool bigEndian)
{
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= uint32_t(p[bigEndian ? size - 1 - i : i]) << (8 * i);
    return value;
}

// GDCM reads a file whose pixel data is cut short without complaint, and ITK pads the
// missing samples; the element's length and the file's length tell. `valueAt` is where
// the pixel data's value starts, just after its length.
QString pixelDataProblem(const QString &path, size_t valueAt, const gdcm::TransferSyntax &syntax, uint64_t needed)
{
    if (syntax == gdcm::TransferSyntax::DeflatedExplicitVRLittleEndian)
        return QString();
    QFile file(path);
    unsigned char length[4] = {};
    if (valueAt < 8 || !file.open(QIODevice::ReadOnly) || !file.seek(qint64(valueAt) - 4)
        || file.read(reinterpret_cast<char *>(length), 4) != 4)
        return QStringLiteral("holds no pixel data");
    const uint32_t declared = readWord(length, 4, syntax.GetSwapCode() == gdcm::SwapCode::BigEndian);
    if (declared == 0xffffffffu)
        return QString();
    const uint64_t present = std::min<uint64_t>(declared, uint64_t(std::max<qint64>(file.size() - qint64(valueAt), 0)));
    if (present < needed)
        return QStringLiteral("its pixel data holds %1 of the %2 bytes the image needs").arg(present).arg(needed);
    return QString();
}

// Walks a DICOM file's elements as the standard lays them out, before GDCM reads it. GDCM
// aborts on assertions for any file cut short inside its header, and for other damage (a
// damaged UID in the meta header sends it to its fallback reader, elements that fit no form
// to another; the fallbacks are the only readers of files without the "DICM" preamble), and
// it allocates whatever length an element declares. In the reader process an abort costs
// only the open, but the open of a whole series: one damaged file among the slices of a
// folder must be passed over instead. A file passes when it has the preamble, a sound group
// 2 naming its transfer syntax, and elements up to the pixel data that each have a known
// form and fit in the file, sequences included.
class DicomWalk
{
public:
    explicit DicomWalk(const QString &path)
        : file(path)
    {
    }

    bool sound()
    {
        constexpr int preamble = 128;
        if (!file.open(QIODevice::ReadOnly) || !have(preamble + 4) || bytes.mid(preamble, 4) != "DICM")
            return false;
        qint64 at = preamble + 4;
        QByteArray syntax;
        while (have(at + 8) && word(at, 2) == 0x0002) {
            Element element;
            if (!readElement(at, true, &element) || !have(element.valueAt + element.length))
                return false;
            const QByteArray value = bytes.mid(int(element.valueAt), int(element.length));
            if (element.vr == "UI" && !isUid(value))
                return false;
            if (element.tag == 0x00020010)
                syntax = value;
            at = element.valueAt + element.length;
        }
        while (syntax.endsWith('\0') || syntax.endsWith(' '))
            syntax.chop(1);
        if (syntax.isEmpty())
            return false;
        if (syntax == "1.2.840.10008.1.2.1.99")
            return true;
        explicitVr = syntax != "1.2.840.10008.1.2";
        bigEndian = syntax == "1.2.840.10008.1.2.2";
        return walk(at, -1, 0);
    }

private:
    struct Element
    {
        uint32_t tag = 0;
        QByteArray vr;
        uint32_t length = 0;
        qint64 valueAt = 0;
    };

    static constexpr uint32_t undefinedLength = 0xffffffffu;
    static constexpr uint32_t pixelData = 0x7fe00010u;
    static constexpr int maxDepth = 16;

    // Reads on until the first `size` bytes are there; false when the file is shorter.
    bool have(qint64 size)
    {
        if (size <= bytes.size())
            return true;
        if (size > maxHeaderBytes)
            return false;
        bytes += file.read(std::max<qint64>(size, 2 * bytes.size() + 4096) - bytes.size());
        return size <= bytes.size();
    }

    uint32_t word(qint64 at, int size, bool big = false) const
    {
        return readWord(reinterpret_cast<const unsigned char *>(bytes.constData()) + at, size, big);
    }

    static bool isUid(const QByteArray &value)
    {
        return std::all_of(value.begin(), value.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '\0' || c == ' '; });
    }

    bool readElement(qint64 at, bool meta, Element *element)
    {
        const bool big = bigEndian && !meta;
        if (!have(at + 8))
            return false;
        element->tag = word(at, 2, big) << 16 | word(at + 2, 2, big);
        if (element->tag >> 16 == 0xfffe) {
            element->length = word(at + 4, 4, big);
            element->valueAt = at + 8;
            return true;
        }
        if (!meta && !explicitVr) {
            element->length = word(at + 4, 4, big);
            element->valueAt = at + 8;
            return true;
        }
        element->vr = bytes.mid(int(at + 4), 2);
        static const QByteArrayList knownForms{"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FD", "FL", "IS", "LO", "LT", "OB", "OD",
                                               "OF", "OL", "OV", "OW", "PN", "SH", "SL", "SQ", "SS", "ST", "SV", "TM", "UC", "UI",
                                               "UL", "UN", "UR", "US", "UT", "UV"};
        if (!knownForms.contains(element->vr))
            return false;
        static const QByteArrayList longForms{"OB", "OD", "OF", "OL", "OV", "OW", "SQ", "SV", "UC", "UN", "UR", "UT", "UV"};
        if (longForms.contains(element->vr)) {
            if (!have(at + 12))
                return false;
            element->length = word(at + 8, 4, big);
            element->valueAt = at + 12;
        } else {
            element->length = word(at + 6, 2, big);
            element->valueAt = at + 8;
        }
        return true;
    }

    // Items of a sequence (or fragments of encapsulated pixel data) from `at` to `end`, or
    // to the sequence delimiter where `end` is -1.
    bool walkItems(qint64 *at, qint64 end, int depth)
    {
        while (end < 0 || *at < end) {
            Element item;
            if (!readElement(*at, false, &item) || item.tag >> 16 != 0xfffe)
                return false;
            if (item.tag == 0xfffee0dd) {
                *at = item.valueAt;
                return end < 0;
            }
            if (item.tag != 0xfffee000)
                return false;
            if (item.length == undefinedLength) {
                *at = item.valueAt;
                if (!walk(*at, -1, depth + 1, at))
                    return false;
            } else {
                if (!have(item.valueAt + item.length) || !walk(item.valueAt, item.valueAt + item.length, depth + 1))
                    return false;
                *at = item.valueAt + item.length;
            }
        }
        return *at == end;
    }

    // Elements from `at` to `end` (-1: to an item delimiter, whose end goes to `after`, or,
    // at the top, to the pixel data).
    bool walk(qint64 at, qint64 end, int depth, qint64 *after = nullptr)
    {
        if (depth > maxDepth)
            return false;
        while (end < 0 || at < end) {
            Element element;
            if (!readElement(at, false, &element))
                return depth == 0 && end < 0 && at == bytes.size() && file.atEnd();
            if (element.tag == 0xfffee00d && after) {
                *after = element.valueAt;
                return true;
            }
            if (element.tag >> 16 == 0xfffe)
                return false;
            if (depth == 0 && element.tag == pixelData)
                return true;
            qint64 next = element.valueAt + element.length;
            if (element.length == undefinedLength) {
                next = element.valueAt;
                if (!walkItems(&next, -1, depth))
                    return false;
            } else if (!have(next)) {
                return false;
            } else if (element.vr == "SQ") {
                qint64 items = element.valueAt;
                if (!walkItems(&items, next, depth))
                    return false;
            }
            at = next;
        }
        return at == end;
    }

    static constexpr qint64 maxHeaderBytes = 64 << 20;

    QFile file;
    QByteArray bytes;
    bool explicitVr = true;
    bool bigEndian = false;
};

// False when GDCM does not take the file for DICOM or it holds no image.
bool readHeader(const QString &path, DicomFile *facts)
{
    if (!DicomWalk(path).sound())
        return false;
    gdcm::Reader reader;
    reader.SetFileName(path.toLocal8Bit().constData());
    // Skipping the pixel data leaves the stream at the start of its value.
    if (!reader.ReadUpToTag(pixelDataTag, {pixelDataTag}))
        return false;
    const size_t pixelDataAt = reader.GetStreamCurrentPosition();
    gdcm::StringFilter strings;
    strings.SetFile(reader.GetFile());
    auto text = [&strings](uint16_t group, uint16_t element) { return strings.ToString(gdcm::Tag(group, element)); };

    facts->path = path;
    facts->rows = whole(text(0x0028, 0x0010), 0);
    facts->columns = whole(text(0x0028, 0x0011), 0);
    if (facts->rows == 0 || facts->columns == 0)
        return false;
    facts->frames = std::max(1u, whole(text(0x0028, 0x0008), 1));
    facts->samplesPerPixel = whole(text(0x0028, 0x0002), 1);
    facts->seriesUid = QString::fromStdString(text(0x0020, 0x000e)).trimmed();
    facts->instanceUid = QString::fromStdString(text(0x0008, 0x0018)).trimmed();
    facts->modality = QString::fromStdString(text(0x0008, 0x0060)).trimmed();
    facts->seriesLabel = QString::fromStdString(text(0x0008, 0x103e)).trimmed();
    if (facts->seriesLabel.isEmpty())
        facts->seriesLabel = QStringLiteral("series ") + QString::fromStdString(text(0x0020, 0x0011)).trimmed();
    const unsigned bitsAllocated = whole(text(0x0028, 0x0100), 16);
    facts->bitsAllocated = bitsAllocated;
    facts->pixelRepresentation = whole(text(0x0028, 0x0103), 0);
    facts->storage = QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(bitsAllocated)
                         .arg(whole(text(0x0028, 0x0101), 0))
                         .arg(whole(text(0x0028, 0x0103), 0))
                         .arg(QString::fromStdString(text(0x0028, 0x1053)).trimmed(),
                              QString::fromStdString(text(0x0028, 0x1052)).trimmed());
    const std::vector<double> position = numbers(text(0x0020, 0x0032));
    if (position.size() == 3) {
        facts->hasPosition = true;
        std::copy(position.begin(), position.end(), facts->position.begin());
    }
    const std::vector<double> orientation = numbers(text(0x0020, 0x0037));
    if (orientation.size() == 6) {
        facts->hasOrientation = true;
        std::copy(orientation.begin(), orientation.end(), facts->orientation.begin());
    }
    const std::vector<double> instance = numbers(text(0x0020, 0x0013));
    facts->hasInstance = instance.size() == 1;
    facts->instance = facts->hasInstance ? long(instance[0]) : 0;
    facts->hasPixelSpacing = numbers(text(0x0028, 0x0030)).size() == 2;
    for (const gdcm::Tag &tag : {gdcm::Tag(0x0018, 0x0088), gdcm::Tag(0x0018, 0x0050)}) {
        const std::vector<double> spacing = numbers(strings.ToString(tag));
        if (facts->sliceSpacing <= 0.0 && spacing.size() == 1 && spacing[0] > 0.0)
            facts->sliceSpacing = spacing[0];
    }
    const gdcm::TransferSyntax &syntax = reader.GetFile().GetHeader().GetDataSetTransferSyntax();
    // GDCM swaps 32-bit samples of big-endian files wrongly (pydicom's rtdose_expb.dcm).
    if (syntax.GetSwapCode() == gdcm::SwapCode::BigEndian && bitsAllocated == 32) {
        facts->pixelDataProblem = QStringLiteral("holds 32-bit samples in big-endian order, which GDCM reads wrongly");
        return true;
    }
    // Bits are packed without padding between pixels or frames: a mask of one bit per pixel
    // takes an eighth of a byte each. A frame count far beyond the data (a damaged mask of
    // 34 KB declared thousands of frames) must not become gigabytes of padding.
    if (!syntax.IsEncapsulated() && bitsAllocated > 0) {
        const double bits = double(facts->rows) * facts->columns * facts->frames * facts->samplesPerPixel * bitsAllocated;
        const uint64_t needed = bits < 1e18 ? (uint64_t(bits) + 7) / 8 : UINT64_MAX;
        facts->pixelDataProblem = pixelDataProblem(path, pixelDataAt, syntax, needed);
    }
    return true;
}

std::vector<DicomFile> scanFiles(const QString &where, const QStringList &paths, const ImportProgress &progress)
{
    std::vector<DicomFile> files;
    for (int i = 0; i < paths.size(); ++i) {
        checkCancel(where, progress);
        DicomFile facts;
        if (readHeader(paths[i], &facts))
            files.push_back(facts);
        progress.report(scanShare * (i + 1) / paths.size());
    }
    return files;
}

QStringList filesBelow(const QString &folder, QDirIterator::IteratorFlags flags)
{
    QStringList paths;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, flags);
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    return paths;
}

using SeriesMap = std::map<QString, std::vector<DicomFile>>;

// Copies of one image (the same instance UID in several files, as a folder of the same
// image in several transfer syntaxes holds) count once: the first whole one.
std::vector<DicomFile> withoutCopies(std::vector<DicomFile> files)
{
    std::stable_partition(files.begin(), files.end(), [](const DicomFile &file) { return file.pixelDataProblem.isEmpty(); });
    std::vector<DicomFile> kept;
    std::set<QString> seen;
    for (DicomFile &file : files) {
        if (file.instanceUid.isEmpty() || seen.insert(file.instanceUid).second)
            kept.push_back(std::move(file));
    }
    return kept;
}

SeriesMap groupBySeries(std::vector<DicomFile> files)
{
    SeriesMap series;
    for (DicomFile &file : withoutCopies(std::move(files)))
        series[file.seriesUid].push_back(std::move(file));
    return series;
}

// The series with the most images; the others become a note.
std::vector<DicomFile> largestSeries(const QString &folder, SeriesMap series, std::vector<std::string> *notes)
{
    auto largest = std::max_element(series.begin(), series.end(),
                                    [](const auto &a, const auto &b) { return a.second.size() < b.second.size(); });
    std::vector<DicomFile> chosen = std::move(largest->second);
    series.erase(largest);
    if (!series.empty()) {
        QStringList others;
        for (const auto &[uid, files] : series)
            others << QStringLiteral("%1 (%2 files)").arg(files.front().seriesLabel).arg(files.size());
        notes->push_back(QStringLiteral("%1: opened %2 (%3 files); the folder holds %4 more series: %5")
                                    .arg(folder, chosen.front().seriesLabel)
                                    .arg(chosen.size())
                                    .arg(series.size())
                                    .arg(others.join(QStringLiteral(", ")))
                                    .toStdString());
    }
    return chosen;
}

std::vector<DicomFile> seriesOfFolder(const QString &folder, const ImportProgress &progress, std::vector<std::string> *notes)
{
    const QStringList paths = filesBelow(folder, QDirIterator::Subdirectories);
    const std::vector<DicomFile> files = scanFiles(folder, paths, progress);
    if (files.empty()) {
        const auto unreadable = std::count_if(paths.begin(), paths.end(), [](const QString &file) { return !QFileInfo(file).isReadable(); });
        if (unreadable > 0)
            throw ImportError(QStringLiteral("%1: the folder holds no DICOM images it may read: permission denied for %2 of its %3 files")
                                  .arg(folder)
                                  .arg(unreadable)
                                  .arg(paths.size()));
        throw ImportError(QStringLiteral("%1: the folder holds no DICOM images").arg(folder));
    }
    return largestSeries(folder, groupBySeries(files), notes);
}

QString name(const DicomFile &file)
{
    return QFileInfo(file.path).fileName();
}

bool sameOrientation(const DicomFile &a, const DicomFile &b)
{
    if (a.hasOrientation != b.hasOrientation)
        return false;
    for (int i = 0; i < 6; ++i) {
        if (std::abs(a.orientation[i] - b.orientation[i]) > orientationTolerance)
            return false;
    }
    return true;
}

// Why `file` cannot be a slice of the volume of the file the user named; empty when it can.
// Rescaled values may differ from file to file (they are read as floats then), the way
// they are stored may not.
QString disagreement(const DicomFile &named, const DicomFile &file)
{
    if (!file.pixelDataProblem.isEmpty())
        return file.pixelDataProblem;
    if (file.rows != named.rows || file.columns != named.columns)
        return QStringLiteral("%1 x %2 pixels, not %3 x %4").arg(file.columns).arg(file.rows).arg(named.columns).arg(named.rows);
    if (file.samplesPerPixel != named.samplesPerPixel || file.bitsAllocated != named.bitsAllocated
        || file.pixelRepresentation != named.pixelRepresentation)
        return QStringLiteral("samples of another type");
    if (!sameOrientation(named, file))
        return QStringLiteral("a plane of another orientation");
    if (file.hasPosition != named.hasPosition)
        return file.hasPosition ? QStringLiteral("a position where the named file has none") : QStringLiteral("no position");
    return QString();
}

// The given file and the files beside it of the same series that agree with it; those that
// do not are named in a note.
std::vector<DicomFile> seriesOfFile(const QString &path, const ImportProgress &progress, std::vector<std::string> *notes)
{
    DicomFile given;
    if (!readHeader(path, &given))
        throw ImportError(QStringLiteral("%1: not a DICOM image").arg(path));
    if (given.seriesUid.isEmpty() || given.frames > 1)
        return {given};
    const QString canonical = QFileInfo(path).canonicalFilePath();
    std::vector<DicomFile> series{given};
    QStringList siblings = filesBelow(QFileInfo(path).absolutePath(), QDirIterator::NoIteratorFlags);
    siblings.removeIf([&canonical](const QString &sibling) { return QFileInfo(sibling).canonicalFilePath() == canonical; });
    QStringList leftOut;
    for (DicomFile &file : scanFiles(path, siblings, progress)) {
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
    return withoutCopies(std::move(series));
}

// "FOLDER: FILE" for one file of a folder's series, the path alone for the file given.
QString located(const QString &where, const DicomFile &file)
{
    return file.path == where ? where : where + QStringLiteral(": ") + name(file);
}

void checkAlike(const QString &where, const std::vector<DicomFile> &series)
{
    const DicomFile &first = series.front();
    for (const DicomFile &file : series) {
        if (!file.pixelDataProblem.isEmpty())
            throw ImportError(QStringLiteral("%1: %2").arg(located(where, file), file.pixelDataProblem));
        if (file.samplesPerPixel != 1)
            throw ImportError(QStringLiteral("%1: holds colour images (%2 samples per pixel); only grey images are supported")
                                  .arg(located(where, file))
                                  .arg(file.samplesPerPixel));
        if (file.rows != first.rows || file.columns != first.columns)
            throw ImportError(QStringLiteral("%1: images of different sizes in one series: %2 is %3 x %4, %5 is %6 x %7")
                                  .arg(where, name(first))
                                  .arg(first.columns)
                                  .arg(first.rows)
                                  .arg(name(file))
                                  .arg(file.columns)
                                  .arg(file.rows));
        if (series.size() > 1 && file.frames > 1)
            throw ImportError(QStringLiteral("%1: holds %2 frames in a series of several files").arg(located(where, file)).arg(file.frames));
    }
}

bool allPlaced(const std::vector<DicomFile> &series)
{
    return std::all_of(series.begin(), series.end(), [](const DicomFile &file) { return file.hasPosition && file.hasOrientation; });
}

std::array<double, 3> normalOf(const DicomFile &file)
{
    const auto &o = file.orientation;
    return {o[1] * o[5] - o[2] * o[4], o[2] * o[3] - o[0] * o[5], o[0] * o[4] - o[1] * o[3]};
}

double along(const std::array<double, 3> &normal, const DicomFile &file)
{
    return normal[0] * file.position[0] + normal[1] * file.position[1] + normal[2] * file.position[2];
}

// Sorts the slices along the normal and returns their spacing; refuses slices that
// overlap, leave gaps or lie in different planes.
double sortByPosition(const QString &where, std::vector<DicomFile> *series)
{
    const DicomFile &first = series->front();
    for (const DicomFile &file : *series) {
        for (int i = 0; i < 6; ++i) {
            if (std::abs(file.orientation[i] - first.orientation[i]) > orientationTolerance)
                throw ImportError(QStringLiteral("%1: %2 and %3 lie in planes of different orientation").arg(where, name(first), name(file)));
        }
    }
    const std::array<double, 3> normal = normalOf(first);
    std::stable_sort(series->begin(), series->end(),
                     [&normal](const DicomFile &a, const DicomFile &b) { return along(normal, a) < along(normal, b); });
    const std::vector<DicomFile> &sorted = *series;
    std::vector<double> steps;
    for (size_t i = 1; i < sorted.size(); ++i)
        steps.push_back(along(normal, sorted[i]) - along(normal, sorted[i - 1]));
    std::vector<double> ordered = steps;
    std::nth_element(ordered.begin(), ordered.begin() + long(ordered.size() / 2), ordered.end());
    const double usual = ordered[ordered.size() / 2];
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] <= spacingTolerance * std::abs(usual) || usual <= 0.0)
            throw ImportError(QStringLiteral("%1: %2 and %3 lie at the same position").arg(where, name(sorted[i]), name(sorted[i + 1])));
        if (std::abs(steps[i] - usual) > spacingTolerance * usual)
            throw ImportError(QStringLiteral("%1: the slices are unevenly spaced: %2 mm between %3 and %4, %5 mm between "
                                             "the others%6")
                                  .arg(where)
                                  .arg(steps[i], 0, 'g', 4)
                                  .arg(name(sorted[i]), name(sorted[i + 1]))
                                  .arg(usual, 0, 'g', 4)
                                  .arg(steps[i] > usual ? QStringLiteral(" (a slice missing?)") : QString()));
    }
    const double spacing = (along(normal, sorted.back()) - along(normal, sorted.front())) / double(sorted.size() - 1);
    return spacing;
}

// Without positions the instance numbers give the order, the slice thickness the spacing.
double sortByInstance(std::vector<DicomFile> *series, SourceVolume *volume)
{
    std::stable_sort(series->begin(), series->end(),
                     [](const DicomFile &a, const DicomFile &b) { return a.instance < b.instance; });
    volume->notes.push_back("the slices carry no positions: ordered by instance number, spaced by their slice thickness");
    return series->front().sliceSpacing;
}

double sortSlices(const QString &where, std::vector<DicomFile> *series, SourceVolume *volume)
{
    if (series->size() == 1)
        return 0.0;
    if (allPlaced(*series))
        return sortByPosition(where, series);
    return sortByInstance(series, volume);
}

void convertToFloat(const OwnedArray<unsigned char> &from, SampleType type, uint64_t count, float *to)
{
    const bool big = QSysInfo::ByteOrder == QSysInfo::BigEndian;
    for (uint64_t i = 0; i < count; ++i)
        to[i] = float(decodeSample(from.data() + i * sampleTypeSize(type), type, big));
}

// Reads each file's pixels through ITK into its place in the volume.
void readSlices(const QString &where, const std::vector<DicomFile> &series, bool mixedStorage, const GridLimits &limits,
                SourceVolume *volume, const ImportProgress &progress)
{
    uint64_t sliceSamples = 0;
    for (size_t i = 0; i < series.size(); ++i) {
        checkCancel(where, progress);
        itk::GDCMImageIO::Pointer io = itk::GDCMImageIO::New();
        SourceVolume slice;
        io->SetFileName(series[i].path.toLocal8Bit().constData());
        ItkImageIO::readInformation(*io, series[i].path, &slice);
        if (i == 0) {
            volume->type = mixedStorage ? SampleType::Float32 : slice.type;
            volume->sizes[0] = slice.sizes[0];
            volume->sizes[1] = slice.sizes[1];
            volume->sizes[2] = slice.sizes[2] * series.size();
            std::copy(slice.spacing, slice.spacing + 3, volume->spacing);
            volume->frame = slice.frame;
            checkGrid(where, volume->sizes[0], volume->sizes[1], volume->sizes[2]);
            checkLimits(where, *volume, limits);
            allocateSamples(where, volume, progress);
            sliceSamples = slice.sampleCount();
        }
        if (slice.sampleCount() != sliceSamples)
            throw ImportError(QStringLiteral("%1: does not hold the image its header describes").arg(located(where, series[i])));
        unsigned char *place = volume->bytes.data() + i * sliceSamples * sampleTypeSize(volume->type);
        if (slice.type == volume->type) {
            ItkImageIO::readPixels(*io, series[i].path, place);
        } else if (volume->type == SampleType::Float32) {
            allocateScratchSamples(series[i].path, &slice);
            ItkImageIO::readPixels(*io, series[i].path, slice.bytes.data());
            convertToFloat(slice.bytes, slice.type, sliceSamples, reinterpret_cast<float *>(place));
        } else {
            throw ImportError(QStringLiteral("%1: %2 stores its samples as %3, %4 as %5")
                                  .arg(where, name(series.front()), sampleTypeName(volume->type), name(series[i]), sampleTypeName(slice.type)));
        }
        progress.report(scanShare + (1.0 - scanShare) * double(i + 1) / double(series.size()));
    }
}

// Where the sorted slices lie: along the rows and columns of their planes, stacked along the
// normal in the direction they were sorted, from the first slice's position. A file alone
// keeps the frame ITK gave it (`ofFile`), which also places the frames of a multi-frame
// file.
PatientFrame frameOfSeries(const std::vector<DicomFile> &series, PatientFrame ofFile)
{
    if (!allPlaced(series))
        return PatientFrame();
    if (series.size() == 1) {
        ofFile.known = true;
        return ofFile;
    }
    const DicomFile &first = series.front();
    const auto &o = first.orientation;
    PatientFrame frame;
    frame.axes = {{{o[0], o[1], o[2]}, {o[3], o[4], o[5]}, normalOf(first)}};
    frame.origin = first.position;
    frame.known = PatientFrameMath::normalizeAxes(&frame);
    return frame;
}

} // namespace

bool looksLikeDicom(const QString &path)
{
    DicomFile facts;
    return readHeader(path, &facts);
}

namespace {

// The volume of a series whose files were chosen: checked, sorted, read and placed.
SourceVolume volumeOfSeries(const QString &path, std::vector<DicomFile> series, std::vector<std::string> notes,
                            const GridLimits &limits, const ImportProgress &progress)
{
    SourceVolume volume;
    volume.format = "DICOM";
    volume.notes = std::move(notes);
    checkAlike(path, series);
    const double sliceSpacing = sortSlices(path, &series, &volume);
    const bool mixedStorage = std::any_of(series.begin(), series.end(),
                                          [&series](const DicomFile &file) { return file.storage != series.front().storage; });
    for (const DicomFile &file : series)
        volume.files.push_back(file.path.toStdString());
    readSlices(path, series, mixedStorage, limits, &volume, progress);
    volume.frame = frameOfSeries(series, volume.frame);
    volume.modality = series.front().modality.toStdString();
    if (series.size() > 1 || series.front().frames == 1)
        volume.spacing[2] = sliceSpacing > 0.0 ? sliceSpacing : series.front().sliceSpacing > 0.0 ? series.front().sliceSpacing : 1.0;
    volume.hasSpacing = series.front().hasPixelSpacing && std::all_of(volume.spacing, volume.spacing + 3, [](double spacing) {
        return std::isfinite(spacing) && spacing > 0.0;
    });
    if (!volume.hasSpacing)
        std::fill(volume.spacing, volume.spacing + 3, 1.0);
    return volume;
}

QString withoutPrefix(const QString &message, const QString &path)
{
    const QString prefix = path + QStringLiteral(": ");
    return message.startsWith(prefix) ? message.mid(prefix.size()) : message;
}

// A named file opens its series; where the series makes no volume with it (a slice
// missing, two at one place, a slice that fails to decode), it opens alone and says why.
SourceVolume volumeOfFile(const QString &path, const GridLimits &limits, const ImportProgress &progress)
{
    std::vector<std::string> notes;
    std::vector<DicomFile> series = seriesOfFile(path, progress, &notes);
    if (series.size() == 1)
        return volumeOfSeries(path, std::move(series), std::move(notes), limits, progress);
    const DicomFile named = *std::find_if(series.begin(), series.end(), [&path](const DicomFile &file) { return file.path == path; });
    try {
        return volumeOfSeries(path, series, notes, limits, progress);
    } catch (const ImportCancelled &) {
        throw;
    } catch (const ImportError &error) {
        notes.push_back(QStringLiteral("%1: opened alone: the %2 files of its series make no volume with it: %3")
                            .arg(path)
                            .arg(series.size())
                            .arg(withoutPrefix(error.message(), path))
                            .toStdString());
    }
    return volumeOfSeries(path, {named}, std::move(notes), limits, progress);
}

} // namespace

SourceVolume readDicom(const QString &path, const GridLimits &limits, const ImportProgress &progress)
{
    ItkImageIO::quietLibraries();
    const QFileInfo info(path);
    if (!info.exists())
        throw ImportError(QStringLiteral("%1: cannot open: no such file or folder").arg(path));
    if (!info.isDir())
        return volumeOfFile(path, limits, progress);
    std::vector<std::string> notes;
    std::vector<DicomFile> series = seriesOfFolder(path, progress, &notes);
    return volumeOfSeries(path, std::move(series), std::move(notes), limits, progress);
}
