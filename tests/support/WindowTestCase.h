#pragma once

#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "ScratchWorkingDirectory.h"
#include "VolumeReader.h"
#include "Window.h"
#include "WindowProbe.h"

#include <QObject>
#include <QTest>

#include <memory>

// What the tests that drive the whole window start from. Each test gets a scratch working
// directory holding the start-up volume lobster.dat (a ball, 32 voxels a side) and ramp.dat
// (16 a side, values 1000 to 3000), and shows a window there that has taken its default
// stops. The window goes before its directory. The test class's initTestCase demands GL
// with REQUIRE_GL_CONTEXT().
class WindowTestCase : public QObject
{
protected:
    void makeWorkDir()
    {
        workDir = std::make_unique<ScratchWorkingDirectory>();
        QVERIFY(workDir->isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 32, 32, 32, [](int x, int y, int z) { return ballSample(x, y, z, 32, 32, 32); }));
        QVERIFY(writeVolumeFile("ramp.dat", 16, 16, 16, rampSample));
    }
    // Shows a window that reads every format but `.dat` through reader and waits for its
    // default stops, which arrive from the event loop.
    static void startWindow(std::unique_ptr<Window> &w, VolumeReader reader = processVolumeReader())
    {
        w = std::make_unique<Window>(std::move(reader));
        QVERIFY2(WindowProbe::start(*w), "the window never showed its default stops");
    }
    void startWindow(VolumeReader reader = processVolumeReader()) { startWindow(window, std::move(reader)); }
    void tearDown()
    {
        window.reset();
        workDir.reset();
    }

    std::unique_ptr<ScratchWorkingDirectory> workDir;
    std::unique_ptr<Window> window;
};
