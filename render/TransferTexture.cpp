#include <GL/glew.h>

#include "TransferTexture.h"

#include "GLStateGuard.h"
#include "RaySteps.h"
#include "SampleLimits.h"
#include "SampledTexture.h"

#include <array>
#include <cmath>

void uploadTransferTable(unsigned int &texture, const uint32_t *table)
{
    const GLStateGuard guard;
    glActiveTexture(GL_TEXTURE1);
    if (texture != 0)
        glDeleteTextures(1, &texture);
    texture = createSampledTexture(GL_TEXTURE_1D, GL_LINEAR, GL_CLAMP_TO_EDGE);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, transferTableSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, table);
}

std::vector<uint32_t> opacityCorrectedTable(const uint32_t *table, int steps)
{
    const double exponent = double(steadyStepCount) / std::max(1, steps);
    std::array<uint32_t, 256> corrected;
    for (uint32_t a = 0; a < 256; ++a)
        corrected[a] = uint32_t(std::lround(255.0 * (1.0 - std::pow(1.0 - a / 255.0, exponent))));
    std::vector<uint32_t> result(table, table + transferTableSize);
    for (uint32_t &word : result)
        word = corrected[word >> 24] << 24 | (word & 0x00FFFFFFu);
    return result;
}
