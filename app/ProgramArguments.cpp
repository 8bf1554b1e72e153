#include "ProgramArguments.h"

namespace ProgramArguments {

namespace {

enum class Use { Help, Version, Snapshot, SnapshotDetail };

struct Option
{
    const char *name;
    // The value's name in the usage; null for an option without one.
    const char *value;
    Use use;
    const char *text;
};

const Option options[] = {
    {"--snapshot", "OUT.png", Use::Snapshot, "draw VOLUME without a window and write the picture to OUT.png"},
    {"--size", "WxH", Use::SnapshotDetail, "the picture's size in pixels (800x800)"},
    {"--turn", "X,Z", Use::SnapshotDetail, "the picture's turn about the x and z axes in degrees (0,0)"},
    {"--view", "VIEW", Use::SnapshotDetail, "3d, the middle slice: axial, coronal, sagittal, or all four: grid (3d)"},
    {"--window", "W,L", Use::SnapshotDetail, "the slice's window width and level in the volume's units (automatic)"},
    {"--crop", "BOX", Use::SnapshotDetail,
     "X0,X1,Y0,Y1,Z0,Z1: fractions of right-left, front-back, feet-head shown in 3-D"},
    {"--help", nullptr, Use::Help, "print this text and quit"},
    {"--version", nullptr, Use::Version, "print the version and quit"},
};

const Option *optionNamed(const QString &name)
{
    for (const Option &option : options) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return name == QLatin1String("-h") ? optionNamed(QStringLiteral("--help")) : nullptr;
}

bool looksLikeOption(const QString &argument)
{
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
}

} // namespace

Parsed parse(const QStringList &arguments)
{
    Parsed parsed;
    bool snapshot = false;
    QString detailWithoutSnapshot;
    bool optionsEnded = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !looksLikeOption(argument)) {
            parsed.volumes << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const Option *option = optionNamed(argument);
        if (!option) {
            if (parsed.mistake.isEmpty())
                parsed.mistake = QStringLiteral("unknown option %1").arg(argument);
            continue;
        }
        switch (option->use) {
        case Use::Help: return Parsed{Action::ShowUsage, {}, {}};
        case Use::Version: return Parsed{Action::ShowVersion, {}, {}};
        case Use::Snapshot: snapshot = true; break;
        case Use::SnapshotDetail: detailWithoutSnapshot = argument; break;
        }
        if (option->value) {
            if (i + 1 == arguments.size() && parsed.mistake.isEmpty())
                parsed.mistake = QStringLiteral("%1 needs its value %2").arg(argument, QLatin1String(option->value));
            ++i;
        }
    }
    if (parsed.mistake.isEmpty() && !snapshot && !detailWithoutSnapshot.isEmpty())
        parsed.mistake = QStringLiteral("%1 is an option of --snapshot").arg(detailWithoutSnapshot);
    if (!parsed.mistake.isEmpty())
        parsed.action = Action::Refuse;
    else if (snapshot)
        parsed.action = Action::TakeSnapshot;
    return parsed;
}

QString usage()
{
    QString text = QStringLiteral("Usage: dichtenschau [VOLUME]\n"
                                  "       dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Z] [--view VIEW]\n"
                                  "                    [--window W,L] [--crop BOX] VOLUME\n"
                                  "       dichtenschau --help | --version\n"
                                  "Shows a CT or MRI volume: a .dat file, a DICOM file or folder, NIfTI, NRRD,\n"
                                  "MetaImage or an InVesalius project.\n"
                                  "Options:\n");
    for (const Option &option : options) {
        const QString form = option.value ? QStringLiteral("%1 %2").arg(QLatin1String(option.name), QLatin1String(option.value))
                                          : QString::fromLatin1(option.name);
        text += QStringLiteral("  %1  %2\n").arg(form, -18).arg(QLatin1String(option.text));
    }
    return text;
}

QString versionLine()
{
    return QStringLiteral("dichtenschau %1\n").arg(QStringLiteral(DICHTENSCHAU_VERSION));
}

} // namespace ProgramArguments
