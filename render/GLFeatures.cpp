#include <GL/glew.h>

#include "GLFeatures.h"

#include "ConsoleLine.h"

#include <string>

QSurfaceFormat viewSurfaceFormat()
{
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    return format;
}

void loadGLEntryPoints()
{
    const GLenum status = glewInit();
    if (status != GLEW_OK && !GLEW_VERSION_1_1)
        printConsole(std::string("Can't initialise GLEW: ") + reinterpret_cast<const char *>(glewGetErrorString(status))
                     + "\n");
}

bool hasViewGLFeatures()
{
    std::string missing;
    const auto require = [&missing](bool present, const char *feature) {
        if (present)
            return;
        if (!missing.empty())
            missing += ", ";
        missing += feature;
    };
    require(GLEW_VERSION_1_2, "3D textures (OpenGL 1.2)");
    require(GLEW_VERSION_1_3, "multitexturing (OpenGL 1.3)");
    require(GLEW_VERSION_2_0, "GLSL shaders (OpenGL 2.0)");
    require(GLEW_EXT_framebuffer_object, "framebuffer objects");
    require(GLEW_ARB_texture_float, "float textures");
    if (missing.empty())
        return true;
    printConsole("OpenGL lacks " + missing + "; the view stays black\n");
    return false;
}
