#include "TransferPresets.h"

#include "SampleLimits.h"

#include <QColor>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace TransferPresets {

const std::vector<Preset> &all()
{
    static const std::vector<Preset> presets = {
        {QT_TRANSLATE_NOOP("TransferPresets", "CT: skin"),
         {{0, 0x00000000u}, {600, 0x00C08060u}, {850, 0xB0F0C0A0u}, {1300, 0xB0F0C8A8u}, {1700, 0xFFFFFFF0u},
          {maxSample, 0xFFFFFFFFu}}},
        {QT_TRANSLATE_NOOP("TransferPresets", "CT: bone"),
         {{0, 0x00000000u}, {1200, 0x00000000u}, {1450, 0x80E8D8B8u}, {2000, 0xF0FFF8F0u},
          {maxSample, 0xFFFFFFFFu}}},
        {QT_TRANSLATE_NOOP("TransferPresets", "CT: soft tissue"),
         {{0, 0x00000000u}, {850, 0x00000000u}, {990, 0x30D08060u}, {1090, 0x70C04030u}, {1250, 0x10E0D0C0u},
          {1600, 0x60F0F0F0u}, {maxSample, 0x80FFFFFFu}}},
        {QT_TRANSLATE_NOOP("TransferPresets", "MRI: brain"),
         {{0, 0x00000000u}, {250, 0x00000000u}, {700, 0x30806060u}, {1500, 0x90E0C0B0u}, {2500, 0xE0FFF0E0u},
          {maxSample, 0xFFFFFFFFu}}},
        {QT_TRANSLATE_NOOP("TransferPresets", "Ramp"), {{0, 0x00000000u}, {maxSample, 0xFFFFFFFFu}}},
    };
    return presets;
}

namespace {

QRgb mixed(QRgb a, QRgb b, double t)
{
    const auto channel = [t](int from, int to) { return int(std::lround(from + (to - from) * t)); };
    return qRgba(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)),
                 channel(qAlpha(a), qAlpha(b)));
}

// The preset's colour at a sample value, linear between its stops and constant beyond them.
QRgb colourAt(const std::vector<SampleStop> &stops, int sample)
{
    if (sample <= stops.front().sample)
        return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (sample <= stops[i].sample) {
            const SampleStop &a = stops[i - 1];
            const SampleStop &b = stops[i];
            return mixed(a.colour, b.colour, double(sample - a.sample) / (b.sample - a.sample));
        }
    }
    return stops.back().colour;
}

} // namespace

QGradientStops placed(const std::vector<SampleStop> &stops, int lo, int hi)
{
    QGradientStops result;
    if (stops.empty())
        return result;
    // A volume of one value still gets a table of two ends.
    const double span = std::max(1, hi - lo);
    result << QGradientStop(0.0, QColor::fromRgba(colourAt(stops, lo)));
    for (const SampleStop &stop : stops) {
        if (stop.sample > lo && stop.sample < lo + span)
            result << QGradientStop((stop.sample - lo) / span, QColor::fromRgba(stop.colour));
    }
    result << QGradientStop(1.0, QColor::fromRgba(colourAt(stops, int(lo + span))));
    return result;
}

} // namespace TransferPresets
