#pragma once

#include <QGradientStops>
#include <QRgb>

#include <vector>

// Starting points for the transfer function: each preset is a list of colours at sample
// values 0..maxSample (for CT on the scale Hounsfield units + 1024, air at 0, water at
// 1024), placed over the value range that the transfer table of the opened volume spans.
namespace TransferPresets {

struct SampleStop
{
    int sample;
    QRgb colour;
};

struct Preset
{
    const char *name; // translated in the context "TransferPresets"
    std::vector<SampleStop> stops; // ascending samples
};

const std::vector<Preset> &all();

// The preset's stops as table positions over lo..hi (position 0 at lo, 1 at hi): samples
// inside the range keep their colours, and both ends get the colour the preset has there,
// interpolated between its neighbours or continued from its first or last stop.
QGradientStops placed(const std::vector<SampleStop> &stops, int lo, int hi);

} // namespace TransferPresets
