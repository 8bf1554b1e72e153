#include "ReadingSource.h"

#include "Volume.h"

SliceSource readingSourceOf(const Volume *volume)
{
    SliceSource source;
    if (!volume || !volume->isValid() || !volume->samplesKept())
        return source;
    source.samples = volume->samplesKept();
    const DatHeader &stated = volume->statedSize();
    source.size = {stated.x, stated.y, stated.z};
    source.stride = {1, volume->sizeX, int64_t(volume->sliceSize)};
    source.spacing = volume->spacing();
    source.frame = volume->frame();
    source.units = volume->units();
    if (volume->originalValues().count() == uint64_t(stated.x) * stated.y * stated.z)
        source.values = volume->originalValues();
    return source;
}
