#include <GL/glew.h>

#include "CorrectedTransferTexture.h"

#include "GLStateGuard.h"
#include "TransferTexture.h"

unsigned int CorrectedTransferTexture::texture(const uint32_t *table, int stepCount)
{
    if (stepCount != steps) {
        const GLStateGuard guard({{1, GL_TEXTURE_1D}});
        uploadTransferTable(name, opacityCorrectedTable(table, stepCount).data());
        steps = stepCount;
    }
    return name;
}

void CorrectedTransferTexture::release()
{
    glDeleteTextures(1, &name);
    name = 0;
    steps = 0;
}
