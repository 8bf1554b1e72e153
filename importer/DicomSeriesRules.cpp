#include "DicomSeriesRules.h"

#include "ImportError.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

namespace {

// Slices closer than this fraction of the spacing to their expected place count as even.
constexpr double spacingTolerance = 0.02;
constexpr double orientationTolerance = 1e-3;
// Two images closer than this, in mm, lie at one place.
constexpr double samePlace = 0.01;

using DicomSeriesRules::Stack;

QString name(const DicomHeader &file)
{
    return QFileInfo(file.path).fileName();
}

double along(const std::array<double, 3> &normal, const DicomHeader &file)
{
    return normal[0] * file.position[0] + normal[1] * file.position[1] + normal[2] * file.position[2];
}

// Images that can lie in one volume: one size, one orientation, one kind of sample; a
// multi-frame file is a volume of its own.
bool sameKind(const DicomHeader &a, const DicomHeader &b)
{
    return a.rows == b.rows && a.columns == b.columns && a.isColour() == b.isColour() && a.frames == 1 && b.frames == 1
           && DicomSeriesRules::sameOrientation(a, b);
}

std::vector<Stack> splitByKind(Stack series)
{
    std::vector<Stack> kinds;
    for (DicomHeader &file : series) {
        auto kind = std::find_if(kinds.begin(), kinds.end(), [&file](const Stack &stack) { return sameKind(stack.front(), file); });
        if (kind == kinds.end())
            kinds.push_back({std::move(file)});
        else
            kind->push_back(std::move(file));
    }
    return kinds;
}

bool samePosition(const DicomHeader &a, const DicomHeader &b)
{
    for (int i = 0; i < 3; ++i) {
        if (std::abs(a.position[i] - b.position[i]) > samePlace)
            return false;
    }
    return true;
}

bool overlap(const Stack &a, const Stack &b)
{
    return std::any_of(a.begin(), a.end(), [&b](const DicomHeader &x) {
        return std::any_of(b.begin(), b.end(), [&x](const DicomHeader &y) { return samePosition(x, y); });
    });
}

// Acquisitions that cover the same places again (a scan before and after contrast under one
// series UID) are stacks of their own; acquisitions that continue each other are one.
std::vector<Stack> splitByAcquisition(Stack kind)
{
    if (!DicomSeriesRules::allPlaced(kind))
        return {std::move(kind)};
    std::map<std::pair<bool, long>, Stack> byAcquisition;
    for (DicomHeader &file : kind)
        byAcquisition[{file.hasAcquisition, file.acquisition}].push_back(std::move(file));
    std::vector<Stack> acquisitions;
    for (auto &[number, stack] : byAcquisition)
        acquisitions.push_back(std::move(stack));
    bool overlapping = false;
    for (size_t i = 0; i < acquisitions.size(); ++i) {
        for (size_t j = i + 1; j < acquisitions.size(); ++j)
            overlapping = overlapping || overlap(acquisitions[i], acquisitions[j]);
    }
    if (overlapping)
        return acquisitions;
    Stack whole;
    for (Stack &stack : acquisitions)
        std::move(stack.begin(), stack.end(), std::back_inserter(whole));
    return {std::move(whole)};
}

// Series numbers compare as numbers; a series without one comes after those with one.
std::pair<bool, long long> seriesNumberKey(const QString &number)
{
    bool ok = false;
    const long long value = number.toLongLong(&ok);
    return {!ok, ok ? value : 0};
}

bool listedBefore(const Stack &a, const Stack &b)
{
    const DicomHeader &x = a.front();
    const DicomHeader &y = b.front();
    return std::make_tuple(x.patientName, x.patientId, x.studyDate, x.studyUid, seriesNumberKey(x.seriesNumber), x.seriesDescription,
                           x.seriesUid, x.acquisition)
           < std::make_tuple(y.patientName, y.patientId, y.studyDate, y.studyUid, seriesNumberKey(y.seriesNumber), y.seriesDescription,
                             y.seriesUid, y.acquisition);
}

double rounded(double millimetres)
{
    return std::round(millimetres * 1e4) / 1e4;
}

} // namespace

namespace DicomSeriesRules {

std::vector<DicomHeader> withoutCopies(std::vector<DicomHeader> files)
{
    std::stable_partition(files.begin(), files.end(), [](const DicomHeader &file) { return file.pixelDataProblem.isEmpty(); });
    std::vector<DicomHeader> kept;
    std::set<QString> seen;
    for (DicomHeader &file : files) {
        if (file.instanceUid.isEmpty() || seen.insert(file.instanceUid).second)
            kept.push_back(std::move(file));
    }
    return kept;
}

bool sameOrientation(const DicomHeader &a, const DicomHeader &b)
{
    if (a.hasOrientation != b.hasOrientation)
        return false;
    for (int i = 0; i < 6; ++i) {
        if (std::abs(a.orientation[i] - b.orientation[i]) > orientationTolerance)
            return false;
    }
    return true;
}

std::vector<Stack> stacksOf(std::vector<DicomHeader> files)
{
    std::map<QString, Stack> bySeries;
    for (DicomHeader &file : withoutCopies(std::move(files)))
        bySeries[file.seriesUid].push_back(std::move(file));
    std::vector<Stack> stacks;
    for (auto &[uid, series] : bySeries) {
        for (Stack &kind : splitByKind(std::move(series))) {
            for (Stack &stack : splitByAcquisition(std::move(kind))) {
                sortStack(&stack);
                stacks.push_back(std::move(stack));
            }
        }
    }
    std::stable_sort(stacks.begin(), stacks.end(), listedBefore);
    return stacks;
}

bool allPlaced(const Stack &stack)
{
    return std::all_of(stack.begin(), stack.end(), [](const DicomHeader &file) { return file.hasPosition && file.hasOrientation; });
}

std::array<double, 3> normalOf(const DicomHeader &file)
{
    const auto &o = file.orientation;
    return {o[1] * o[5] - o[2] * o[4], o[2] * o[3] - o[0] * o[5], o[0] * o[4] - o[1] * o[3]};
}

void sortStack(Stack *stack)
{
    if (stack->size() < 2)
        return;
    if (!allPlaced(*stack)) {
        std::stable_sort(stack->begin(), stack->end(), [](const DicomHeader &a, const DicomHeader &b) { return a.instance < b.instance; });
        return;
    }
    const std::array<double, 3> normal = normalOf(stack->front());
    std::stable_sort(stack->begin(), stack->end(),
                     [&normal](const DicomHeader &a, const DicomHeader &b) { return along(normal, a) < along(normal, b); });
}

double checkedSpacing(const QString &where, const Stack &sorted)
{
    const DicomHeader &first = sorted.front();
    for (const DicomHeader &file : sorted) {
        if (!sameOrientation(first, file))
            throw ImportError(QStringLiteral("%1: %2 and %3 lie in planes of different orientation").arg(where, name(first), name(file)));
    }
    const std::array<double, 3> normal = normalOf(first);
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
    return (along(normal, sorted.back()) - along(normal, first)) / double(sorted.size() - 1);
}

ExamSeries describe(const Stack &stack)
{
    const DicomHeader &first = stack.front();
    ExamSeries series;
    series.patientName = first.patientName.toStdString();
    series.patientId = first.patientId.toStdString();
    series.studyDate = first.studyDate.toStdString();
    series.studyDescription = first.studyDescription.toStdString();
    series.seriesNumber = first.seriesNumber.toStdString();
    series.seriesDescription = first.seriesDescription.toStdString();
    series.modality = first.modality.toStdString();
    series.images = int(stack.size());
    series.colour = first.isColour();
    series.sizes[0] = int(first.columns);
    series.sizes[1] = int(first.rows);
    series.sizes[2] = stack.size() == 1 ? int(first.frames) : int(stack.size());
    if (first.hasPixelSpacing) {
        series.spacing[0] = rounded(first.pixelSpacing[1]);
        series.spacing[1] = rounded(first.pixelSpacing[0]);
    }
    if (stack.size() > 1 && allPlaced(stack)) {
        const std::array<double, 3> normal = normalOf(first);
        series.spacing[2] = rounded(std::abs(along(normal, stack.back()) - along(normal, first)) / double(stack.size() - 1));
    } else if (first.sliceSpacing > 0.0) {
        series.spacing[2] = rounded(first.sliceSpacing);
    }
    return series;
}

} // namespace DicomSeriesRules

namespace DicomSeriesRules {

std::vector<ExamSeries> describeAll(const std::vector<Stack> &stacks)
{
    std::vector<ExamSeries> exam;
    for (const Stack &stack : stacks)
        exam.push_back(describe(stack));
    for (size_t i = 0; i < stacks.size(); ++i) {
        std::vector<size_t> siblings;
        std::set<std::pair<bool, long>> acquisitions;
        for (size_t j = 0; j < stacks.size(); ++j) {
            if (stacks[j].front().seriesUid == stacks[i].front().seriesUid) {
                siblings.push_back(j);
                acquisitions.insert({stacks[j].front().hasAcquisition, stacks[j].front().acquisition});
            }
        }
        if (siblings.size() < 2)
            continue;
        const DicomHeader &first = stacks[i].front();
        if (acquisitions.size() == siblings.size() && first.hasAcquisition)
            exam[i].part = QStringLiteral("acquisition %1").arg(first.acquisition).toStdString();
        else
            exam[i].part = QStringLiteral("part %1 of %2")
                               .arg(std::find(siblings.begin(), siblings.end(), i) - siblings.begin() + 1)
                               .arg(siblings.size())
                               .toStdString();
    }
    return exam;
}

} // namespace DicomSeriesRules
