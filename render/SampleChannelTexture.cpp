#include <GL/glew.h>

#include "SampleChannelTexture.h"

#include "GLStateGuard.h"
#include "SampledTexture.h"

#include <cstdint>
#include <vector>

unsigned int SampleChannelTexture::texture(unsigned int volumeTexture)
{
    if (!stale)
        return channelTexture;
    const GLStateGuard guard({{0, GL_TEXTURE_3D}});
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, volumeTexture);
    GLint width = 0, height = 0, depth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &depth);
    std::vector<uint16_t> samples(std::size_t(width) * std::size_t(height) * std::size_t(depth));
    GLint packAlignment = 4, unpackAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    // Rows of an odd number of 16-bit texels need not start on 4-byte boundaries.
    glPixelStorei(GL_PACK_ALIGNMENT, 2);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    if (!samples.empty())
        glGetTexImage(GL_TEXTURE_3D, 0, GL_ALPHA, GL_UNSIGNED_SHORT, samples.data());
    if (channelTexture == 0)
        channelTexture = createSampledTexture(GL_TEXTURE_3D, GL_LINEAR, GL_CLAMP_TO_EDGE);
    else
        glBindTexture(GL_TEXTURE_3D, channelTexture);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_LUMINANCE16, width, height, depth, 0, GL_LUMINANCE, GL_UNSIGNED_SHORT,
                 samples.empty() ? nullptr : samples.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    stale = false;
    return channelTexture;
}

void SampleChannelTexture::release()
{
    glDeleteTextures(1, &channelTexture);
    channelTexture = 0;
    stale = true;
}
