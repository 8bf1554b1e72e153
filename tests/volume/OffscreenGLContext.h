#pragma once

#include <memory>

// A compatibility-profile GL 2.1 context on an offscreen surface, current from construction
// on, for the programs that build volumes without a window (tests, benchmarks). The caller
// initialises GLEW once it is current: GLEW's header and the toolkit's GL header cannot meet
// in one source file, so this class keeps the toolkit's out of its header.
class OffscreenGLContext
{
public:
    OffscreenGLContext();
    ~OffscreenGLContext();

    // Whether the context could be made at all; false without a display or GL.
    bool isReady() const { return ready; }
    void makeCurrent();
    void doneCurrent();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
    bool ready = false;
};
