#pragma once

// Whether this thread has a current GL context. Kept apart from the GL calls: the toolkit's
// GL header and GLEW's cannot meet in one source file.
bool glContextIsCurrent();
