#pragma once

#include <QColor>
#include <QGradientStops>

#include <cstdint>
#include <optional>

// Numbered, recognisable versions of a transfer function, for tests that rewrite a stops
// file many times and must tell which whole version a surviving file holds. Version i has
// 2 to 10 stops (so a torn file shows in its length as well as its content); the first
// stop's red and green words carry i.
namespace StopsVersions {

inline QGradientStops version(uint32_t i)
{
    const int count = 2 + int(i % 9);
    QGradientStops stops;
    for (int j = 0; j < count; ++j) {
        const uint32_t mix = (i + 1) * 2654435761u ^ uint32_t(j) * 40503u;
        const QColor colour = j == 0 ? QColor::fromRgba64(uint16_t(i), uint16_t(i >> 16), 0x5A5A, 0xFFFF)
                                     : QColor::fromRgba64(uint16_t(mix), uint16_t(mix >> 8), uint16_t(mix >> 16),
                                                          uint16_t(mix >> 4));
        stops.append(QGradientStop(double(j) / (count - 1), colour));
    }
    return stops;
}

// The number a version's stops carry; none when they are not a version's.
inline std::optional<uint32_t> numberOf(const QGradientStops &stops)
{
    if (stops.isEmpty())
        return std::nullopt;
    const QRgba64 first = stops.first().second.rgba64();
    const uint32_t i = uint32_t(first.red()) | uint32_t(first.green()) << 16;
    if (version(i) != stops)
        return std::nullopt;
    return i;
}

} // namespace StopsVersions
