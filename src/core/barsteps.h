// The widths the main window passes through when the quick-view bar is hidden or shown.
#pragma once

#include <vector>

namespace core {

// Hiding narrows from `width` toward three quarters of it, showing widens toward four thirds,
// in steps of 12 pixels; the last step stays within 12 pixels of the target, never past it.
std::vector<int> barWidthSteps(int width, bool hiding);

} // namespace core
