#pragma once

// Whether this process can make a GL context at all. Without one the toolkit cannot even
// show a window that holds a GL view, so the tests that show one skip in initTestCase when
// this is false.
bool glContextCanBeMade();
