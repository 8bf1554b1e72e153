#include <GL/glew.h>

#include "RayCasting.h"

#include "RayPass.h"
#include "RaySteps.h"

void RayCasting::create(const QSize &size)
{
    backfaces.create(size);
    skipping.markStale();
}

void RayCasting::release()
{
    backfaces.release();
    dragTransferTexture.release();
    skipping.release();
    reducedTarget.release();
    projection.release();
}

void RayCasting::tableChanged()
{
    skipping.markStale();
    dragTransferTexture.markStale();
}

void RayCasting::render(const RenderTarget &target, PassFrame frame, const uint32_t *table, const BrickRanges &bricks,
                        const ShownGrid &grid)
{
    if (!backfaces.isReady())
        return;
    if (frame.steps == steadyStepCount) {
        cast(target, frame, table, bricks, grid);
        return;
    }
    if (frame.projection == ProjectionMode::Composite)
        frame.transferTexture = dragTransferTexture.texture(table, frame.steps);
    const auto castReduced = [&](const RenderTarget &reduced) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        cast(reduced, frame, table, bricks, grid);
    };
    if (!reducedTarget.drawStretched(target, castReduced))
        cast(target, frame, table, bricks, grid);
}

void RayCasting::cast(const RenderTarget &target, const PassFrame &frame, const uint32_t *table,
                      const BrickRanges &bricks, const ShownGrid &grid)
{
    backfaces.fit(target.size);
    backfaces.render(target.size, frame.boxScale);
    PassFrame rays = frame;
    rays.backfaceTexture = backfaces.texture();
    if (frame.projection != ProjectionMode::Composite) {
        projection.render(target, rays, bricks, grid);
        return;
    }
    skipping.update(bricks, grid, table, frame.crop);
    rays.skipping = &skipping;
    RayPass::render(target, rays);
}
