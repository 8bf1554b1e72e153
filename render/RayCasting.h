#pragma once

#include "BackfacePass.h"
#include "CorrectedTransferTexture.h"
#include "EmptySpaceSkipping.h"
#include "PassFrame.h"
#include "ProjectionPass.h"
#include "ReducedTarget.h"
#include "RenderTarget.h"

#include <cstdint>

class BrickRanges;
struct ShownGrid;

// The two passes of ray casting and what they keep from frame to frame: the back-face pass
// with its float texture, the bricks that rays step over, and for the frames of a drag,
// which take fewer steps, the transfer texture they read (the table with its opacities
// corrected for the drag's step count) and the target of a quarter of the view's pixels
// that they are cast into. The view keeps the volume, the resting transfer texture and the
// ray program, and hands each frame over as a PassFrame.
//
// Every call needs the context the passes were created in to be current.
class RayCasting
{
public:
    // The back-face pass for a target of this size; one console line where the driver
    // refuses its framebuffer, and frames then draw nothing.
    void create(const QSize &size);
    void release();
    bool isReady() const { return backfaces.isReady(); }
    // The back-face texture for the view's new size; leaves it bound on unit 2.
    void resize(const QSize &size) { backfaces.resize(size); }
    // The same where it is not of that size already, leaving the GL state as it found it.
    void fit(const QSize &size) { backfaces.fit(size); }

    // The volume or the crop box changed: the next frame finds the bricks to skip anew.
    void volumeChanged()
    {
        skipping.markStale();
        projection.volumeChanged();
    }
    // Another volume: the same, and the projections copy its samples anew.
    void samplesChanged()
    {
        volumeChanged();
        projection.samplesChanged();
    }
    // The program of the projections, after the view's own programs.
    void buildProjectionProgram() { projection.build(); }
    // The transfer table changed: so do the bricks to skip and a drag's transfer texture.
    void tableChanged();
    void setEmptySpaceSkipping(bool on) { skipping.setEnabled(on); }

    // Draws the far faces, then the near ones with the ray program, or for a frame of a
    // projection mode with the projection program: the frame's program,
    // volume texture, box, texture extent, crop and steps. Rays at rest read the frame's
    // transfer texture; a drag's rays read that of the table corrected for their steps and
    // are cast into the reduced target, stretched onto this one.
    void render(const RenderTarget &target, PassFrame frame, const uint32_t *table, const BrickRanges &bricks,
                const ShownGrid &grid);

private:
    void cast(const RenderTarget &target, const PassFrame &frame, const uint32_t *table, const BrickRanges &bricks,
              const ShownGrid &grid);

    BackfacePass backfaces;
    CorrectedTransferTexture dragTransferTexture;
    EmptySpaceSkipping skipping;
    ReducedTarget reducedTarget;
    ProjectionPass projection;
};
