#pragma once

#include <algorithm>

// How many steps a ray takes over the box's diagonal. A resting frame takes
// steadyStepCount; while the volume is turned or moved, frames take dragStepBudget / width,
// so that a drag costs about the same at any view width. The ray shader corrects opacities
// to the resting step length, so it is given steadyStepCount as well.
constexpr int steadyStepCount = 500;
constexpr int dragStepBudget = 28000;

inline int dragStepCount(int viewWidth)
{
    return dragStepBudget / std::max(1, viewWidth);
}
