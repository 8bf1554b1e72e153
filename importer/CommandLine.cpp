#include "CommandLine.h"

#include "ImportError.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace {

RawLayout parseRawLayout(const QCommandLineParser &parser)
{
    RawLayout layout;
    const QStringList sizes = parser.value(QStringLiteral("raw")).split(QRegularExpression(QStringLiteral("[x,]")));
    bool ok = sizes.size() == 3;
    for (int axis = 0; ok && axis < 3; ++axis)
        layout.sizes[axis] = sizes[axis].toULongLong(&ok);
    if (!ok)
        throw ImportError(QStringLiteral("--raw %1: expected three sizes such as 256x256x108").arg(parser.value(QStringLiteral("raw"))));

    const QString type = parser.value(QStringLiteral("type"));
    if (type.isEmpty())
        throw ImportError(QStringLiteral("--raw needs --type"));
    if (!parseSampleTypeName(type, &layout.type))
        throw ImportError(QStringLiteral("--type %1: expected uint8, int8, uint16, int16, uint32, int32, float32 or float64").arg(type));

    const QString endian = parser.value(QStringLiteral("endian"));
    if (endian != QLatin1String("little") && endian != QLatin1String("big"))
        throw ImportError(QStringLiteral("--endian %1: expected little or big").arg(endian));
    layout.bigEndian = endian == QLatin1String("big");

    layout.offset = parser.value(QStringLiteral("offset")).toLongLong(&ok);
    if (!ok || layout.offset < 0)
        throw ImportError(QStringLiteral("--offset %1: expected a byte count").arg(parser.value(QStringLiteral("offset"))));
    return layout;
}

std::pair<double, double> parseWindow(const QString &text)
{
    const QStringList bounds = text.split(QLatin1Char(':'));
    bool lowOk = false;
    bool highOk = false;
    const double low = bounds.size() == 2 ? bounds[0].toDouble(&lowOk) : 0.0;
    const double high = bounds.size() == 2 ? bounds[1].toDouble(&highOk) : 0.0;
    if (!lowOk || !highOk || !std::isfinite(low) || !std::isfinite(high) || !(low < high))
        throw ImportError(QStringLiteral("--window %1: expected LOW:HIGH with LOW below HIGH, such as -160:240").arg(text));
    return {low, high};
}

void addOptions(QCommandLineParser *parser)
{
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser->addOptions({
        {{QStringLiteral("h"), QStringLiteral("help")}, QString()},
        {QStringLiteral("raw"), QString(), QStringLiteral("sizes")},
        {QStringLiteral("type"), QString(), QStringLiteral("type")},
        {QStringLiteral("endian"), QString(), QStringLiteral("order"), QStringLiteral("little")},
        {QStringLiteral("offset"), QString(), QStringLiteral("bytes"), QStringLiteral("0")},
        {QStringLiteral("mapping"), QString(), QStringLiteral("mapping"), QStringLiteral("auto")},
        {QStringLiteral("window"), QString(), QStringLiteral("range")},
        {QStringLiteral("force"), QString()},
    });
}

void refuseRawOptionsWithoutRaw(const QCommandLineParser &parser)
{
    for (const char *name : {"type", "endian", "offset"}) {
        if (parser.isSet(QString::fromLatin1(name)))
            throw ImportError(QStringLiteral("--%1 describes headerless input and needs --raw").arg(QString::fromLatin1(name)));
    }
}

void readMapping(const QCommandLineParser &parser, ImportOptions *request)
{
    const QString mapping = parser.value(QStringLiteral("mapping"));
    if (parser.isSet(QStringLiteral("window"))) {
        if (parser.isSet(QStringLiteral("mapping")))
            throw ImportError(QStringLiteral("--window and --mapping exclude each other"));
        request->window = parseWindow(parser.value(QStringLiteral("window")));
        return;
    }
    if (mapping == QLatin1String("auto"))
        return;
    MappingKind kind;
    if (!parseMappingKind(mapping, &kind))
        throw ImportError(QStringLiteral("--mapping %1: expected auto, hu, x16, keep or linear").arg(mapping));
    request->mapping = kind;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(&parser);
    if (!parser.parse(arguments))
        throw ImportError(parser.errorText() + QStringLiteral(" (see --help)"));

    CommandLine commandLine;
    if (parser.isSet(QStringLiteral("help"))) {
        commandLine.help = true;
        return commandLine;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        throw ImportError(QStringLiteral("expected an input and an output file (see --help)"));
    ImportRequest &request = commandLine.request;
    request.input = files[0];
    request.output = files[1];
    request.force = parser.isSet(QStringLiteral("force"));
    if (parser.isSet(QStringLiteral("raw")))
        request.options.raw = parseRawLayout(parser);
    else
        refuseRawOptionsWithoutRaw(parser);
    readMapping(parser, &request.options);
    return commandLine;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: dat-import [options] INPUT OUTPUT.dat\n"
        "\n"
        "Converts a volume into a .dat file for the viewer: three little-endian unsigned\n"
        "16-bit sizes X, Y, Z, then X*Y*Z samples of the same kind, x fastest, 0..4095.\n"
        "\n"
        "Inputs, told apart by their names:\n"
        "  a folder         the DICOM series in it (with its subfolders) with the most images\n"
        "  .dcm or any      a DICOM file, with the rest of its series from the same folder;\n"
        "  DICOM file       values after the rescale slope and intercept\n"
        "  .nii .nii.gz     NIfTI-1 or -2, with its scaling slope and intercept applied;\n"
        "  .hdr .img        also as a header and image pair\n"
        "  .nrrd .nhdr      NRRD, every encoding, data attached or detached\n"
        "  .mha .mhd        MetaImage, compressed or not, data local or in separate files\n"
        "  .inv3            InVesalius project\n"
        "  any name         headerless samples, described by --raw, --type, --endian, --offset\n"
        "A 2-D image becomes a volume of one slice.\n"
        "\n"
        "Options:\n"
        "  --raw XxYxZ        sizes of headerless input, such as 256x256x108\n"
        "  --type TYPE        its samples: uint8, int8, uint16, int16, uint32, int32,\n"
        "                     float32 or float64\n"
        "  --endian ORDER     its byte order: little (default) or big\n"
        "  --offset BYTES     bytes before its first sample (default 0)\n"
        "  --mapping MAPPING  how values become 0..4095 (values beyond are clipped):\n"
        "                       hu      CT in Hounsfield units: value + 1024\n"
        "                       x16     8-bit data: value * 16 (int8: (value + 128) * 16)\n"
        "                       keep    values as they are\n"
        "                       linear  the range of the data, less its lowest and\n"
        "                               highest half percent, stretched over 0..4095\n"
        "                       auto    (default) x16 for unscaled 8-bit data; hu for\n"
        "                               data from -3100..-500 up to 0 or more; keep for\n"
        "                               whole numbers within 0..4095; linear otherwise\n"
        "  --window LOW:HIGH  stretch LOW..HIGH over 0..4095 instead\n"
        "  --force            write an output whose name does not end in .dat\n"
        "  -h, --help         show this text\n"
        "\n"
        "The output appears only when complete (written under a temporary name, then\n"
        "renamed), and never replaces the input or a file the input names. Any problem\n"
        "ends the tool with one line of explanation and status 1.\n");
}
