#include "SampledTexture.h"

#include <GL/glew.h>

unsigned int createSampledTexture(unsigned int target, int filter, int wrap)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(target, texture);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
    if (target != GL_TEXTURE_1D)
        glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
    if (target == GL_TEXTURE_3D)
        glTexParameteri(target, GL_TEXTURE_WRAP_R, wrap);
    return texture;
}

void uploadBrickTexture(unsigned int *texture, const int counts[3], int internalFormat, unsigned int type, int alignment,
                        const void *data)
{
    if (*texture == 0)
        *texture = createSampledTexture(GL_TEXTURE_3D, GL_NEAREST, GL_CLAMP_TO_EDGE);
    else
        glBindTexture(GL_TEXTURE_3D, *texture);
    GLint previous = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexImage3D(GL_TEXTURE_3D, 0, internalFormat, counts[0], counts[1], counts[2], 0, GL_LUMINANCE, type, data);
    glPixelStorei(GL_UNPACK_ALIGNMENT, previous);
}
