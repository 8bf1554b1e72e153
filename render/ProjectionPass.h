#pragma once

#include "BrickMaxima.h"
#include "PassFrame.h"
#include "RenderTarget.h"
#include "SampleChannelTexture.h"

class BrickRanges;
struct ShownGrid;

// The second pass of a projection (MIP, MinIP or average, ProjectionMode): draws the near
// faces of the volume's box with the projection program, which marches from each entry
// point to the exit point that the back-face pass left, through the volume texture (unit 0),
// (its samples alone, SampleChannelTexture), over the samples inside the crop box, and shows the largest, smallest or mean one through
// the frame's greys. A MIP steps over the bricks that cannot add to it (BrickMaxima, unit 3).
// The program is built into the viewer (shaders/projection.vert and .frag as resources).
// Leaves the GL state as it found it; every call needs the context it was built in.
class ProjectionPass
{
public:
    // Builds the program; compiler logs and failures as console lines, and a pass without a
    // program draws nothing.
    void build();
    void release();
    // The volume or the crop box changed.
    void volumeChanged() { maxima.markStale(); }
    // Another volume: its samples are copied anew.
    void samplesChanged() { samples.markStale(); }

    void render(const RenderTarget &target, const PassFrame &frame, const BrickRanges &bricks, const ShownGrid &grid);

private:
    void setUniforms(const PassFrame &frame) const;

    unsigned int program = 0;
    BrickMaxima maxima;
    SampleChannelTexture samples;
};
