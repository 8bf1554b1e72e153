#pragma once

// The volume's samples alone, one 16-bit channel per texel, for the projections: the volume
// texture holds four channels (the gradient and the sample), and a projection, which reads
// only the sample, fetches and filters a quarter of the data from this copy. Made from the
// volume texture's alpha by the GL itself at the first projection frame after the volume
// changed (or the context was replaced), with the volume texture's size, filter and wrap,
// so that its texture coordinates are the same.
class SampleChannelTexture
{
public:
    void markStale() { stale = true; }
    // The copy of volumeTexture's samples, made anew where stale, in the current context;
    // leaves the GL state as it found it.
    unsigned int texture(unsigned int volumeTexture);
    void release();

private:
    unsigned int channelTexture = 0;
    bool stale = true;
};
