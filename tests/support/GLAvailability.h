#pragma once

#include <QTest>

// Whether this process can make a GL context at all. Without one the toolkit cannot even
// show a window that holds a GL view.
bool glContextCanBeMade();

// Whether the run demands GL: the test command sets DICHTENSCHAU_REQUIRE_GL=1, so that a run
// that could not draw fails instead of passing with every GL case skipped.
bool glContextRequired();

// Ends the calling test function when GL is not available (available false): a skip, or a
// failure where glContextRequired(). Only for the missing environment, never for what the
// program under test made of it.
#define REQUIRE_GL(available, why)                                                                                     \
    do {                                                                                                               \
        if (!(available)) {                                                                                            \
            if (glContextRequired())                                                                                   \
                QFAIL(why);                                                                                            \
            QSKIP(why);                                                                                                \
        }                                                                                                              \
    } while (false)

// In initTestCase of a test that shows GL views.
#define REQUIRE_GL_CONTEXT() REQUIRE_GL(glContextCanBeMade(), "no GL context can be made here")
