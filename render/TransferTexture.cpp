#include <GL/glew.h>

#include "TransferTexture.h"

#include "GLStateGuard.h"
#include "SampleLimits.h"

void uploadTransferTable(unsigned int &texture, const uint32_t *table)
{
    const GLStateGuard guard;
    glActiveTexture(GL_TEXTURE1);
    if (texture != 0)
        glDeleteTextures(1, &texture);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_1D, texture);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, transferTableSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, table);
}
