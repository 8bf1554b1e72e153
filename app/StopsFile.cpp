#include "StopsFile.h"

#include "ConsoleLine.h"
#include "WholeFile.h"

#include <QColor>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace StopsFile {

namespace {

enum ColourModel : int32_t { Invalid = 0, Rgb = 1, Hsv = 2, Cmyk = 3 };

struct ColourWords
{
    int32_t model;
    uint16_t words[5];
};

ColourWords colourWords(const QColor &c)
{
    switch (c.spec()) {
    case QColor::Hsv:
        return {Hsv, {uint16_t(qRound(c.alphaF() * 65535)), uint16_t(c.hsvHue() < 0 ? 0xFFFF : qRound(c.hsvHueF() * 36000)),
                      uint16_t(qRound(c.hsvSaturationF() * 65535)), uint16_t(qRound(c.valueF() * 65535)), 0}};
    case QColor::Cmyk:
        return {Cmyk, {uint16_t(qRound(c.alphaF() * 65535)), uint16_t(qRound(c.cyanF() * 65535)),
                       uint16_t(qRound(c.magentaF() * 65535)), uint16_t(qRound(c.yellowF() * 65535)),
                       uint16_t(qRound(c.blackF() * 65535))}};
    case QColor::Invalid:
        return {Invalid, {0, 0, 0, 0, 0}};
    default: {
        const QRgba64 rgba = c.rgba64();
        return {Rgb, {rgba.alpha(), rgba.red(), rgba.green(), rgba.blue(), 0}};
    }
    }
}

bool colourFromWords(int32_t model, const uint16_t w[5], QColor &colour)
{
    const auto unit = [](uint16_t v) { return v / 65535.0; };
    switch (model) {
    case Rgb:
        colour = QColor::fromRgba64(w[1], w[2], w[3], w[0]);
        return true;
    case Hsv:
        colour = QColor::fromHsvF(w[1] == 0xFFFF ? -1.0f : float(w[1] / 36000.0), float(unit(w[2])),
                                  float(unit(w[3])), float(unit(w[0])));
        return colour.isValid();
    case Cmyk:
        colour = QColor::fromCmykF(float(unit(w[1])), float(unit(w[2])), float(unit(w[3])), float(unit(w[4])),
                                   float(unit(w[0])));
        return true;
    case Invalid:
        colour = QColor();
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray encode(const QGradientStops &stops)
{
    QByteArray bytes(qsizetype(stops.size()) * recordSize, '\0');
    char *record = bytes.data();
    for (const QGradientStop &stop : stops) {
        uint64_t position = 0;
        std::memcpy(&position, &stop.first, sizeof position);
        qToLittleEndian<uint64_t>(position, record);
        const ColourWords c = colourWords(stop.second);
        qToLittleEndian<uint32_t>(uint32_t(c.model), record + 8);
        qToLittleEndian<uint16_t>(c.words, 5, record + 12);
        record += recordSize;
    }
    return bytes;
}

Decoded decode(const QByteArray &bytes)
{
    Decoded result;
    const qsizetype records = bytes.size() / recordSize;
    for (qsizetype r = 0; r < records; ++r) {
        if (result.stops.size() >= maxStops) {
            result.ignored = int(records - r);
            break;
        }
        const char *record = bytes.constData() + r * recordSize;
        const uint64_t bits = qFromLittleEndian<uint64_t>(record);
        double position;
        std::memcpy(&position, &bits, sizeof position);
        uint16_t words[5];
        qFromLittleEndian<uint16_t>(record + 12, 5, words);
        QColor colour;
        if (!std::isfinite(position) || !colourFromWords(qFromLittleEndian<int32_t>(record + 8), words, colour)) {
            ++result.skipped;
            continue;
        }
        result.stops.append(QGradientStop(position, colour));
    }
    return result;
}

ReadResult read(const QString &path, QGradientStops &stops)
{
    // One record more than can be used tells a file that holds too many.
    const std::optional<FileStart> file = readRegularFileStart(path, qint64(maxStops + 1) * recordSize);
    if (!file)
        return ReadResult::Missing;
    const Decoded decoded = decode(file->bytes);
    const qint64 records = file->size / recordSize;
    stops = decoded.stops;
    if (decoded.skipped > 0)
        printConsole(QString("Skipping %1 damaged stop record(s) in %2\n").arg(decoded.skipped).arg(path)
                         .toLocal8Bit()
                         .toStdString());
    if (records > maxStops)
        printConsole(QString("%1 holds %2 stops; using the first %3\n").arg(path).arg(records).arg(maxStops)
                         .toLocal8Bit()
                         .toStdString());
    return ReadResult::Read;
}

QString write(const QString &path, const QGradientStops &stops)
{
    return writeWholeFile(path, encode(stops));
}

} // namespace StopsFile
