#include "ProgramArguments.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>
#include <functional>
#include <vector>

namespace ProgramArguments {

namespace {

using Action = ProgramRequest::Action;
using View = ProgramRequest::PictureView;

enum class Scope {
    Program,  // stands on its own or with any other
    Snapshot, // a mistake without --snapshot
    Toolkit,  // Qt's own, which QApplication takes out; nothing here reads it
};

struct Row
{
    QStringList names;
    // The value's name in the usage; empty for an option without one.
    QString value;
    Scope scope;
    // The action the option asks for, where it is one.
    std::optional<Action> action;
    // Takes the value into the request; false where the value is no good. Null where the
    // option has no value or nothing here reads it.
    std::function<bool(const QString &, ProgramRequest &)> take;
    // What the refusal of a bad value calls it and how it tells the right form:
    // "Can't take the size 800: give it as WIDTHxHEIGHT, e.g. 800x800".
    QString what;
    QString hint;
    // The usage's line; empty for Qt's own options, which the usage leaves out.
    QString text;
};

bool takeSize(const QString &text, ProgramRequest &request)
{
    const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,5})x(\\d{1,5})$").match(text);
    if (!m.hasMatch())
        return false;
    request.size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    return !request.size.isEmpty();
}

// Numbers separated by commas, as many as `count`, each finite.
bool takeNumbers(const QString &text, double *values, int count)
{
    const QStringList parts = text.split(',');
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        values[i] = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(values[i]))
            return false;
    }
    return true;
}

bool takeTurn(const QString &text, ProgramRequest &request)
{
    double turn[2];
    if (!takeNumbers(text, turn, 2))
        return false;
    request.turnX = turn[0];
    request.turnZ = turn[1];
    return true;
}

bool takeView(const QString &text, ProgramRequest &request)
{
    static const QStringList names{"3d", "axial", "coronal", "sagittal", "grid"};
    const int index = int(names.indexOf(text));
    if (index < 0)
        return false;
    request.view = View(index);
    return true;
}

bool takeWindow(const QString &text, ProgramRequest &request)
{
    std::array<double, 2> values;
    if (!takeNumbers(text, values.data(), 2) || !(values[0] > 0))
        return false;
    request.window = values;
    return true;
}

bool takeCrop(const QString &text, ProgramRequest &request)
{
    std::array<double, 6> crop;
    if (!takeNumbers(text, crop.data(), 6))
        return false;
    for (int axis = 0; axis < 3; ++axis)
        if (!(0 <= crop[2 * axis] && crop[2 * axis] < crop[2 * axis + 1] && crop[2 * axis + 1] <= 1))
            return false;
    request.crop = crop;
    return true;
}

// MM,MODE: a thickness of 0 or more millimetres and mip, minip or mean.
bool takeSlab(const QString &text, ProgramRequest &request)
{
    const QStringList parts = text.split(',');
    double thickness = 0.0;
    if (parts.size() != 2 || !takeNumbers(parts[0], &thickness, 1) || thickness < 0)
        return false;
    const std::optional<SlabMode> mode = slabModeOfWord(parts[1]);
    if (!mode)
        return false;
    request.slab = {thickness, *mode};
    return true;
}

bool takeSeries(const QString &text, ProgramRequest &request)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 1)
        return false;
    request.series = number;
    return true;
}

bool takeProjection(const QString &text, ProgramRequest &request)
{
    const std::optional<ProjectionMode> mode = projectionModeOfWord(text);
    if (!mode)
        return false;
    request.projection = *mode;
    return true;
}

Row toolkitOption(const QString &name, const QString &value = QString())
{
    return {{name}, value, Scope::Toolkit, std::nullopt, nullptr, {}, {}, {}};
}

const std::vector<Row> &rows()
{
    static const std::vector<Row> table{
        {{"snapshot"}, "OUT.png", Scope::Program, Action::TakeSnapshot,
         [](const QString &value, ProgramRequest &request) {
             request.output = value;
             return true;
         },
         {}, {}, "draw VOLUME without a window and write the picture to OUT.png"},
        {{"size"}, "WxH", Scope::Snapshot, std::nullopt, takeSize, "the size", "give it as WIDTHxHEIGHT, e.g. 800x800",
         "the picture's size in pixels (800x800)"},
        {{"turn"}, "X,Z", Scope::Snapshot, std::nullopt, takeTurn, "the turn", "give it as X,Z in degrees, e.g. 30,45",
         "the picture's turn about the x and z axes in degrees (0,0)"},
        {{"view"}, "VIEW", Scope::Snapshot, std::nullopt, takeView, "the view", "give 3d, axial, coronal, sagittal or grid",
         "3d, the middle slice: axial, coronal, sagittal, or all four: grid (3d)"},
        {{"window"}, "W,L", Scope::Snapshot, std::nullopt, takeWindow, "the window",
         "give it as WIDTH,LEVEL in the volume's units, the width above 0, e.g. 400,40",
         "the slice's window width and level in the volume's units (automatic)"},
        {{"crop"}, "BOX", Scope::Snapshot, std::nullopt, takeCrop, "the crop box",
         "give six fractions X0,X1,Y0,Y1,Z0,Z1 from 0 to 1, each lower bound below its upper one, e.g. 0,1,0,0.5,0,1",
         "X0,X1,Y0,Y1,Z0,Z1: fractions of right-left, front-back, feet-head shown in 3-D"},
        {{"slab"}, "MM,MODE", Scope::Snapshot, std::nullopt, takeSlab, "the slab",
         "give it as MILLIMETRES,MODE with the mode mip, minip or mean, e.g. 15,mip",
         "the 2-D views' thick slab: its thickness in mm and mip, minip or mean (none)"},
        {{"list"}, "PATH", Scope::Program, Action::ListSeries,
         [](const QString &value, ProgramRequest &request) {
             request.listPath = value;
             return true;
         },
         {}, {}, "print the series of the DICOM exam at PATH, numbered, and quit"},
        {{"series"}, "N", Scope::Program, std::nullopt, takeSeries, "the series", "give its number in --list, from 1, e.g. 2",
         "open the Nth series of the exam, as --list numbers them"},
        {{"mode"}, "MODE", Scope::Snapshot, std::nullopt, takeProjection, "the mode",
         "give composite, mip, minip or average", "the 3-D view: composite, mip, minip or average (composite)"},
        {{"h", "help"}, {}, Scope::Program, Action::ShowUsage, nullptr, {}, {}, "print this text and quit"},
        {{"version"}, {}, Scope::Program, Action::ShowVersion, nullptr, {}, {}, "print the version and quit"},
        // QGuiApplication's and QApplication's documented options.
        toolkitOption("platform", "NAME"), toolkitOption("platformpluginpath", "PATH"),
        toolkitOption("platformtheme", "NAME"), toolkitOption("plugin", "NAME"),
        toolkitOption("qwindowgeometry", "GEOMETRY"), toolkitOption("qwindowicon", "ICON"),
        toolkitOption("qwindowtitle", "TITLE"), toolkitOption("display", "DISPLAY"),
        toolkitOption("geometry", "GEOMETRY"), toolkitOption("session", "SESSION"), toolkitOption("style", "STYLE"),
        toolkitOption("stylesheet", "FILE"), toolkitOption("reverse"), toolkitOption("widgetcount"),
    };
    return table;
}

QString longName(const Row &row)
{
    return "--" + row.names.last();
}

const Row *rowNamed(const QString &name)
{
    for (const Row &row : rows())
        if (row.names.contains(name))
            return &row;
    return nullptr;
}

// The option as the user wrote it (one dash or two, without a value after "="), for the
// parser names it without its dashes.
QString writtenOption(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        const QString written = argument.section('=', 0, 0);
        if (written.startsWith('-') && QStringView(written).mid(written.startsWith(QLatin1String("--")) ? 2 : 1) == name)
            return written;
    }
    return "--" + name;
}

// The parser only says that a value is missing: it is missing after the last argument.
QString missingValueMistake(const QStringList &arguments, const QCommandLineParser &parser)
{
    const QString last = arguments.last();
    const Row *row = last.startsWith('-') ? rowNamed(last.mid(last.startsWith(QLatin1String("--")) ? 2 : 1)) : nullptr;
    if (row && !row->value.isEmpty())
        return QStringLiteral("%1 needs its value %2").arg(last, row->value);
    return parser.errorText();
}

QString formMistake(const QStringList &arguments, const QCommandLineParser &parser, bool parsed)
{
    if (!parser.unknownOptionNames().isEmpty())
        return "unknown option " + writtenOption(arguments, parser.unknownOptionNames().first());
    if (!parsed)
        return missingValueMistake(arguments, parser);
    const bool snapshot = parser.isSet(QStringLiteral("snapshot"));
    for (const Row &row : rows())
        if (row.scope == Scope::Snapshot && !snapshot && parser.isSet(row.names.first()))
            return QStringLiteral("%1 is an option of --snapshot").arg(longName(row));
    return QString();
}

QString snapshotUsageLine()
{
    QString line = QStringLiteral("usage: dichtenschau --snapshot OUT.png");
    for (const Row &row : rows())
        if (row.scope == Scope::Snapshot)
            line += QStringLiteral(" [%1 %2]").arg(longName(row), row.value);
    return line + " VOLUME";
}

// The values of the options given, each taken into the request by its row; the first that
// cannot be taken declines the whole request.
QString declinedValue(const QCommandLineParser &parser, ProgramRequest &request)
{
    for (const Row &row : rows()) {
        const QString name = row.names.first();
        if (!row.take || !parser.isSet(name))
            continue;
        const QString value = parser.value(name);
        if (!row.take(value, request))
            return QStringLiteral("Can't take %1 %2: %3").arg(row.what, value, row.hint);
    }
    if (request.action == Action::TakeSnapshot && request.volumes.size() != 1)
        return snapshotUsageLine();
    return QString();
}

bool asks(const QCommandLineParser &parser, Action action)
{
    for (const Row &row : rows())
        if (row.action == action && parser.isSet(row.names.first()))
            return true;
    return false;
}

} // namespace

ProgramRequest parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-h" and "-platform" are both single options, never a row of one-letter ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Row &row : rows())
        parser.addOption(QCommandLineOption(row.names, row.text, row.value));
    const bool parsed = parser.parse(arguments);

    ProgramRequest request;
    request.volumes = parser.positionalArguments();
    for (const Action answer : {Action::ShowUsage, Action::ShowVersion}) {
        if (asks(parser, answer)) {
            request.action = answer;
            return request;
        }
    }
    request.mistake = formMistake(arguments, parser, parsed);
    if (!request.mistake.isEmpty()) {
        request.action = Action::Refuse;
        return request;
    }
    request.action = asks(parser, Action::ListSeries)     ? Action::ListSeries
                     : asks(parser, Action::TakeSnapshot) ? Action::TakeSnapshot
                                                          : Action::OpenWindow;
    request.declined = declinedValue(parser, request);
    if (!request.declined.isEmpty())
        request.action = Action::Decline;
    return request;
}

QString usage()
{
    QString text = QStringLiteral("Usage: dichtenschau [VOLUME]\n"
                                  "       dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Z] [--view VIEW]\n"
                                  "                    [--window W,L] [--crop BOX] [--slab MM,MODE]\n"
                                  "                    [--mode MODE] VOLUME\n"
                                  "       dichtenschau --list PATH\n"
                                  "       dichtenschau --help | --version\n"
                                  "Shows a CT or MRI volume: a .dat file, a DICOM file or folder, NIfTI, NRRD,\n"
                                  "MetaImage or an InVesalius project.\n"
                                  "Options:\n");
    for (const Row &row : rows()) {
        if (row.text.isEmpty())
            continue;
        const QString form = row.value.isEmpty() ? longName(row) : QStringLiteral("%1 %2").arg(longName(row), row.value);
        text += QStringLiteral("  %1  %2\n").arg(form, -18).arg(row.text);
    }
    return text;
}

QString versionLine()
{
    return QStringLiteral("dichtenschau %1\n").arg(QStringLiteral(DICHTENSCHAU_VERSION));
}

} // namespace ProgramArguments
