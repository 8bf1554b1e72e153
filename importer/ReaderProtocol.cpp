#include "ReaderProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const QByteArray progressWord = "progress ";
const QByteArray resultWord = "result ";
const QString readWord = QStringLiteral("read");

// Texts travel byte for byte, one character per byte: file names need not be UTF-8.
QString textOf(const std::string &bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string bytesOf(const QString &text)
{
    return text.toLatin1().toStdString();
}

QJsonArray numbers(std::initializer_list<double> values)
{
    QJsonArray array;
    for (double value : values)
        array.append(value);
    return array;
}

QJsonArray texts(const std::vector<std::string> &lines)
{
    QJsonArray array;
    for (const std::string &line : lines)
        array.append(textOf(line));
    return array;
}

// 64-bit counts travel as decimal text: a JSON number holds 53 bits exactly.
QString countText(uint64_t count)
{
    return QString::number(count);
}

QJsonObject rawObject(const RawLayout &raw)
{
    return {{"sizes", QJsonArray{countText(raw.sizes[0]), countText(raw.sizes[1]), countText(raw.sizes[2])}},
            {"type", sampleTypeName(raw.type)},
            {"bigEndian", raw.bigEndian},
            {"offset", QString::number(raw.offset)}};
}

QJsonObject optionsObject(const ImportOptions &options)
{
    return {{"mapping", options.mapping ? QJsonValue(int(*options.mapping)) : QJsonValue()},
            {"window", options.window ? QJsonValue(numbers({options.window->first, options.window->second})) : QJsonValue()},
            {"raw", options.raw ? QJsonValue(rawObject(*options.raw)) : QJsonValue()},
            {"limits", QJsonObject{{"memoryBytes", countText(options.limits.memoryBytes)}, {"textureSide", options.limits.textureSide}}},
            {"seriesChoice", int(options.seriesChoice)},
            {"series", options.series}};
}

QJsonObject frameObject(const PatientFrame &frame)
{
    const auto &a = frame.axes;
    return {{"axes", numbers({a[0][0], a[0][1], a[0][2], a[1][0], a[1][1], a[1][2], a[2][0], a[2][1], a[2][2]})},
            {"origin", numbers({frame.origin[0], frame.origin[1], frame.origin[2]})},
            {"known", frame.known}};
}

QJsonObject mappingObject(const ValueMapping &mapping)
{
    return {{"kind", int(mapping.kind)}, {"scale", mapping.scale}, {"offset", mapping.offset}, {"low", mapping.low}, {"high", mapping.high}};
}

QJsonObject examSeriesObject(const ExamSeries &series)
{
    return {{"patientName", textOf(series.patientName)},
            {"patientId", textOf(series.patientId)},
            {"studyDate", textOf(series.studyDate)},
            {"studyDescription", textOf(series.studyDescription)},
            {"seriesNumber", textOf(series.seriesNumber)},
            {"seriesDescription", textOf(series.seriesDescription)},
            {"part", textOf(series.part)},
            {"modality", textOf(series.modality)},
            {"images", series.images},
            {"sizes", QJsonArray{series.sizes[0], series.sizes[1], series.sizes[2]}},
            {"spacing", numbers({series.spacing[0], series.spacing[1], series.spacing[2]})},
            {"colour", series.colour}};
}

QJsonArray examArray(const std::vector<ExamSeries> &exam)
{
    QJsonArray array;
    for (const ExamSeries &series : exam)
        array.append(examSeriesObject(series));
    return array;
}

QJsonObject resultObject(const ImportResult &result)
{
    return {{"refusal", textOf(result.refusal)},
            {"cancelled", result.cancelled},
            {"format", textOf(result.format)},
            {"size", QJsonArray{result.sizeX, result.sizeY, result.sizeZ}},
            {"spacing", numbers({result.spacing.x, result.spacing.y, result.spacing.z})},
            {"spacingKnown", result.spacing.known},
            {"frame", frameObject(result.frame)},
            {"units", QJsonObject{{"scale", result.units.scale}, {"offset", result.units.offset}, {"hounsfield", result.units.hounsfield}}},
            {"mappingDescription", textOf(result.mappingDescription)},
            {"notes", texts(result.notes)},
            {"files", texts(result.files)},
            {"sampleType", textOf(result.sampleType)},
            {"lowestValue", result.lowestValue},
            {"highestValue", result.highestValue},
            {"mapping", mappingObject(result.mapping)},
            {"exam", examArray(result.exam)},
            {"openedSeries", result.openedSeries}};
}

// Reading is strict: a field of the wrong kind makes the whole answer damaged.
class ObjectReader
{
public:
    explicit ObjectReader(const QJsonObject &object)
        : object(object)
    {
    }

    bool ok() const { return good; }

    QJsonObject child(const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        good = good && value.isObject();
        return value.toObject();
    }
    double number(const char *key) { return numberOf(object.value(QLatin1String(key))); }
    int whole(const char *key)
    {
        const double value = number(key);
        good = good && value == std::floor(value) && std::abs(value) <= 1e9;
        return good ? int(value) : 0;
    }
    bool flag(const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        good = good && value.isBool();
        return value.toBool();
    }
    std::string text(const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        good = good && value.isString();
        return bytesOf(value.toString());
    }
    std::vector<double> numbers(const char *key, int count)
    {
        const QJsonArray array = arrayOf(key);
        good = good && array.size() == count;
        std::vector<double> values;
        for (const QJsonValue &value : array)
            values.push_back(numberOf(value));
        values.resize(size_t(count), 0.0);
        return values;
    }
    // Absent is damaged; null is a value left unset.
    bool isNull(const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        good = good && !value.isUndefined();
        return value.isNull();
    }
    uint64_t count(const char *key) { return countOf(object.value(QLatin1String(key))); }
    int64_t signedCount(const char *key)
    {
        bool ok = false;
        const int64_t value = object.value(QLatin1String(key)).toString().toLongLong(&ok);
        good = good && ok;
        return value;
    }
    std::vector<uint64_t> counts(const char *key, int number)
    {
        const QJsonArray array = arrayOf(key);
        good = good && array.size() == number;
        std::vector<uint64_t> values;
        for (const QJsonValue &value : array)
            values.push_back(countOf(value));
        values.resize(size_t(number), 0);
        return values;
    }
    std::vector<QJsonObject> objects(const char *key)
    {
        std::vector<QJsonObject> found;
        for (const QJsonValue &value : arrayOf(key)) {
            good = good && value.isObject();
            found.push_back(value.toObject());
        }
        return found;
    }
    std::vector<std::string> texts(const char *key)
    {
        std::vector<std::string> lines;
        for (const QJsonValue &value : arrayOf(key)) {
            good = good && value.isString();
            lines.push_back(bytesOf(value.toString()));
        }
        return lines;
    }

private:
    QJsonArray arrayOf(const char *key)
    {
        const QJsonValue value = object.value(QLatin1String(key));
        good = good && value.isArray();
        return value.toArray();
    }
    uint64_t countOf(const QJsonValue &value)
    {
        bool ok = false;
        const uint64_t count = value.toString().toULongLong(&ok);
        good = good && ok;
        return count;
    }
    // JSON has no NaN or infinity: the writer leaves null in their place.
    double numberOf(const QJsonValue &value)
    {
        good = good && (value.isDouble() || value.isNull());
        return value.isNull() ? std::nan("") : value.toDouble();
    }

    QJsonObject object;
    bool good = true;
};

bool readFrame(ObjectReader &&reader, PatientFrame *frame)
{
    const std::vector<double> axes = reader.numbers("axes", 9);
    for (size_t a = 0; a < 3; ++a)
        for (size_t c = 0; c < 3; ++c)
            frame->axes[a][c] = axes[a * 3 + c];
    const std::vector<double> origin = reader.numbers("origin", 3);
    std::copy(origin.begin(), origin.end(), frame->origin.begin());
    frame->known = reader.flag("known");
    return reader.ok();
}

bool readExamSeries(ObjectReader &&reader, ExamSeries *series)
{
    series->patientName = reader.text("patientName");
    series->patientId = reader.text("patientId");
    series->studyDate = reader.text("studyDate");
    series->studyDescription = reader.text("studyDescription");
    series->seriesNumber = reader.text("seriesNumber");
    series->seriesDescription = reader.text("seriesDescription");
    series->part = reader.text("part");
    series->modality = reader.text("modality");
    series->images = reader.whole("images");
    const std::vector<double> sizes = reader.numbers("sizes", 3);
    const std::vector<double> spacing = reader.numbers("spacing", 3);
    for (int i = 0; i < 3; ++i) {
        series->sizes[i] = int(std::clamp(sizes[size_t(i)], 0.0, double(INT_MAX)));
        series->spacing[i] = spacing[size_t(i)];
    }
    series->colour = reader.flag("colour");
    return reader.ok();
}

bool readExam(const std::vector<QJsonObject> &objects, std::vector<ExamSeries> *exam)
{
    for (const QJsonObject &object : objects) {
        ExamSeries series;
        if (!readExamSeries(ObjectReader(object), &series))
            return false;
        exam->push_back(std::move(series));
    }
    return true;
}

bool validSeriesChoice(int choice)
{
    return choice >= int(SeriesChoice::Largest) && choice <= int(SeriesChoice::AskWhenSeveral);
}

bool validMappingKind(int kind)
{
    return kind >= int(MappingKind::Hounsfield) && kind <= int(MappingKind::Window);
}

bool readMapping(ObjectReader &&reader, ValueMapping *mapping)
{
    const int kind = reader.whole("kind");
    mapping->kind = MappingKind(kind);
    mapping->scale = reader.number("scale");
    mapping->offset = reader.number("offset");
    mapping->low = reader.number("low");
    mapping->high = reader.number("high");
    return reader.ok() && validMappingKind(kind);
}

bool readRaw(ObjectReader &&reader, RawLayout *raw)
{
    const std::vector<uint64_t> sizes = reader.counts("sizes", 3);
    std::copy(sizes.begin(), sizes.end(), raw->sizes);
    const bool typeKnown = parseSampleTypeName(QString::fromStdString(reader.text("type")), &raw->type);
    raw->bigEndian = reader.flag("bigEndian");
    raw->offset = reader.signedCount("offset");
    return reader.ok() && typeKnown;
}

bool readOptions(ObjectReader &&reader, ImportOptions *options)
{
    bool parts = true;
    if (!reader.isNull("mapping")) {
        const int kind = reader.whole("mapping");
        options->mapping = MappingKind(kind);
        parts = validMappingKind(kind);
    }
    if (!reader.isNull("window")) {
        const std::vector<double> window = reader.numbers("window", 2);
        options->window = std::make_pair(window[0], window[1]);
    }
    if (!reader.isNull("raw")) {
        options->raw.emplace();
        parts = readRaw(ObjectReader(reader.child("raw")), &*options->raw) && parts;
    }
    ObjectReader limits(reader.child("limits"));
    options->limits.memoryBytes = limits.count("memoryBytes");
    options->limits.textureSide = limits.whole("textureSide");
    const int choice = reader.whole("seriesChoice");
    options->seriesChoice = SeriesChoice(choice);
    options->series = reader.whole("series");
    return reader.ok() && limits.ok() && parts && validSeriesChoice(choice);
}

} // namespace

namespace ReaderProtocol {

QStringList requestArguments(const ReadRequest &request)
{
    const QJsonObject object{{"path", textOf(request.path)},
                             {"valuesFile", request.valuesFile},
                             {"options", optionsObject(request.options)}};
    return {readWord, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))};
}

bool readRequest(const QStringList &arguments, ReadRequest *request)
{
    if (arguments.size() != 2 || arguments[0] != readWord)
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(arguments[1].toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    ObjectReader reader(document.object());
    ReadRequest read;
    read.path = reader.text("path");
    read.valuesFile = reader.whole("valuesFile");
    const bool optionsRead = readOptions(ObjectReader(reader.child("options")), &read.options);
    if (!reader.ok() || !optionsRead)
        return false;
    *request = std::move(read);
    return true;
}

QByteArray progressLine(double fraction)
{
    return progressWord + QByteArray::number(fraction, 'g', 6);
}

QByteArray resultLine(const ImportResult &result)
{
    return resultWord + QJsonDocument(resultObject(result)).toJson(QJsonDocument::Compact);
}

bool readProgress(const QByteArray &line, double *fraction)
{
    if (!line.startsWith(progressWord))
        return false;
    bool ok = false;
    *fraction = line.mid(progressWord.size()).toDouble(&ok);
    return ok && *fraction >= 0.0 && *fraction <= 1.0;
}

bool readResult(const QByteArray &line, ImportResult *result)
{
    if (!line.startsWith(resultWord))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.mid(resultWord.size()), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    ObjectReader reader(document.object());
    ImportResult read;
    read.refusal = reader.text("refusal");
    read.cancelled = reader.flag("cancelled");
    read.format = reader.text("format");
    const std::vector<double> size = reader.numbers("size", 3);
    const bool sizesWhole = std::all_of(size.begin(), size.end(), [](double s) { return s >= 0 && s <= INT_MAX && s == std::floor(s); });
    read.sizeX = sizesWhole ? int(size[0]) : 0;
    read.sizeY = sizesWhole ? int(size[1]) : 0;
    read.sizeZ = sizesWhole ? int(size[2]) : 0;
    const std::vector<double> spacing = reader.numbers("spacing", 3);
    read.spacing = {spacing[0], spacing[1], spacing[2], reader.flag("spacingKnown")};
    const bool frameRead = readFrame(ObjectReader(reader.child("frame")), &read.frame);
    ObjectReader units(reader.child("units"));
    read.units = {units.number("scale"), units.number("offset"), units.flag("hounsfield")};
    read.mappingDescription = reader.text("mappingDescription");
    read.notes = reader.texts("notes");
    read.files = reader.texts("files");
    read.sampleType = reader.text("sampleType");
    read.lowestValue = reader.number("lowestValue");
    read.highestValue = reader.number("highestValue");
    const bool mappingRead = readMapping(ObjectReader(reader.child("mapping")), &read.mapping);
    const bool examRead = readExam(reader.objects("exam"), &read.exam);
    read.openedSeries = reader.whole("openedSeries");
    if (!reader.ok() || !sizesWhole || !frameRead || !units.ok() || !mappingRead || !examRead)
        return false;
    *result = std::move(read);
    return true;
}

} // namespace ReaderProtocol
