#include "ExamSeries.h"

#include <QString>
#include <QStringList>

#include <algorithm>

bool operator==(const ExamSeries &a, const ExamSeries &b)
{
    return a.patientName == b.patientName && a.patientId == b.patientId && a.studyDate == b.studyDate
           && a.studyDescription == b.studyDescription && a.seriesNumber == b.seriesNumber
           && a.seriesDescription == b.seriesDescription && a.part == b.part && a.modality == b.modality && a.images == b.images
           && std::equal(a.sizes, a.sizes + 3, b.sizes) && std::equal(a.spacing, a.spacing + 3, b.spacing) && a.colour == b.colour;
}

namespace {

std::string nameOfWhole(const ExamSeries &series)
{
    if (!series.seriesDescription.empty())
        return series.seriesDescription;
    if (!series.seriesNumber.empty())
        return "series " + series.seriesNumber;
    return "no description";
}

} // namespace

std::string examSeriesName(const ExamSeries &series)
{
    return series.part.empty() ? nameOfWhole(series) : nameOfWhole(series) + " (" + series.part + ")";
}

std::string examStudyDate(const std::string &date)
{
    const QString text = QString::fromStdString(date);
    bool digits = false;
    text.toLongLong(&digits);
    if (text.size() != 8 || !digits)
        return date;
    return QStringLiteral("%1-%2-%3").arg(text.left(4), text.mid(4, 2), text.mid(6, 2)).toStdString();
}

namespace {

QString text(const std::string &bytes)
{
    return QString::fromStdString(bytes);
}

QString patientText(const ExamSeries &series)
{
    QString patient = series.patientName.empty() ? QStringLiteral("unnamed") : text(series.patientName);
    if (!series.patientId.empty())
        patient += QStringLiteral(" (%1)").arg(text(series.patientId));
    return QStringLiteral("patient ") + patient;
}

QString studyText(const ExamSeries &series)
{
    QStringList parts{QStringLiteral("study")};
    parts << (series.studyDate.empty() ? QStringLiteral("undated") : text(examStudyDate(series.studyDate)));
    if (!series.studyDescription.empty())
        parts << text(series.studyDescription);
    return parts.join(QLatin1Char(' '));
}

} // namespace

std::string examSeriesLine(const ExamSeries &series)
{
    QStringList parts;
    parts << (series.modality.empty() ? QStringLiteral("no modality") : text(series.modality)) << text(examSeriesName(series))
          << QStringLiteral("%1 %2").arg(series.images).arg(series.images == 1 ? QStringLiteral("image") : QStringLiteral("images"))
          << QStringLiteral("%1 x %2 x %3").arg(series.sizes[0]).arg(series.sizes[1]).arg(series.sizes[2])
          << QStringLiteral("%1 x %2 x %3 mm").arg(series.spacing[0]).arg(series.spacing[1]).arg(series.spacing[2]);
    if (series.colour)
        parts << QStringLiteral("colour");
    QString line = parts.join(QStringLiteral(", "));
    line += QStringLiteral("; ") + patientText(series) + QStringLiteral(", ") + studyText(series);
    if (!series.seriesNumber.empty())
        line += QStringLiteral(", series ") + text(series.seriesNumber);
    return line.toStdString();
}

std::string examSeriesOrigin(const ExamSeries &series)
{
    QString line = patientText(series) + QStringLiteral(", ") + studyText(series) + QStringLiteral(", series ");
    if (!series.seriesNumber.empty() && !series.seriesDescription.empty())
        line += text(series.seriesNumber) + QLatin1Char(' ');
    return (line + text(examSeriesName(series))).toStdString();
}

size_t largestShowableSeries(const std::vector<ExamSeries> &exam)
{
    const bool anyGrey = std::any_of(exam.begin(), exam.end(), [](const ExamSeries &series) { return !series.colour; });
    const auto showable = [anyGrey](const ExamSeries &series) { return !anyGrey || !series.colour; };
    size_t largest = 0;
    for (size_t i = 0; i < exam.size(); ++i) {
        if (showable(exam[i]) && (!showable(exam[largest]) || exam[i].images > exam[largest].images))
            largest = i;
    }
    return largest;
}
