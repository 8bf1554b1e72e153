#include "OutputCheck.h"

#include <sys/stat.h>

namespace {

bool sameFile(const struct stat &a, const std::string &path)
{
    struct stat b;
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

QString outputRefusal(const QString &output, const std::vector<std::string> &inputFiles, bool force)
{
    if (!force && !output.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive))
        return QStringLiteral("%1: the output's name does not end in .dat (--force writes it all the same)").arg(output);
    struct stat target;
    if (::stat(output.toLocal8Bit().constData(), &target) != 0)
        return QString();
    for (const std::string &input : inputFiles) {
        if (sameFile(target, input))
            return QStringLiteral("%1: is the input %2; the output must be another file")
                .arg(output, QString::fromStdString(input));
    }
    return QString();
}
