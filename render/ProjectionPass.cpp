#include <GL/glew.h>

#include "ProjectionPass.h"

#include "ConsoleLine.h"
#include "GLStateGuard.h"
#include "ShaderProgram.h"
#include "VolumeBox.h"
#include "VoxelEncoding.h"

#include <QFile>

namespace {

std::string resourceText(const char *path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    return file.readAll().toStdString();
}

float onAlphaScale(float sample)
{
    return sample * float(sampleScale) / float(channelMax);
}

} // namespace

void ProjectionPass::build()
{
    const std::string vertexText = resourceText(":/shaders/projection.vert");
    const std::string fragmentText = resourceText(":/shaders/projection.frag");
    if (vertexText.empty() || fragmentText.empty()) {
        printConsole("The projection shaders are missing from the program: MIP, MinIP and average draw nothing\n");
        return;
    }
    program = buildProgram(vertexText, fragmentText);
    if (!program)
        return;
    glUniform1i(glGetUniformLocation(program, "volumeTex"), 0);
    glUniform1i(glGetUniformLocation(program, "backfaceTex"), 2);
    glUniform1i(glGetUniformLocation(program, "brickMaxTex"), 3);
    glUseProgram(0);
}

void ProjectionPass::release()
{
    glDeleteProgram(program);
    program = 0;
    maxima.release();
    samples.release();
}

void ProjectionPass::render(const RenderTarget &target, const PassFrame &frame, const BrickRanges &bricks,
                            const ShownGrid &grid)
{
    if (!program)
        return;
    maxima.update(bricks, grid, frame.crop);
    const unsigned int sampleTexture = samples.texture(frame.volumeTexture);
    const GLStateGuard guard({{0, GL_TEXTURE_3D}, {2, GL_TEXTURE_2D}, {3, GL_TEXTURE_3D}});
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    glViewport(0, 0, target.size.width(), target.size.height());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, sampleTexture);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, frame.backfaceTexture);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_3D, maxima.texture());
    glUseProgram(program);
    setUniforms(frame);
    drawBox(frame.boxScale);
}

void ProjectionPass::setUniforms(const PassFrame &frame) const
{
    glUniform1i(glGetUniformLocation(program, "steps"), frame.steps);
    glUniform1i(glGetUniformLocation(program, "mode"), int(frame.projection));
    glUniform1i(glGetUniformLocation(program, "skipBricks"), frame.projection == ProjectionMode::Mip ? 1 : 0);
    maxima.setUniforms(program);
    const CropBounds crop = rayCropBounds(frame.crop);
    glUniform3fv(glGetUniformLocation(program, "cropMin"), 1, crop.low.data());
    glUniform3fv(glGetUniformLocation(program, "cropMax"), 1, crop.high.data());
    glUniform3fv(glGetUniformLocation(program, "textureExtent"), 1, frame.textureExtent.data());
    glUniform1f(glGetUniformLocation(program, "windowLow"), onAlphaScale(frame.greys.low));
    glUniform1f(glGetUniformLocation(program, "windowHigh"), onAlphaScale(frame.greys.high));
}
