#include "core/barsteps.h"

namespace core {

std::vector<int> barWidthSteps(int width, bool hiding) {
    constexpr int kStep = 12;
    std::vector<int> steps;
    if (hiding) {
        const int target = (width / 4) * 3;
        for (int w = width; w > target; w -= kStep)
            steps.push_back(w);
    } else {
        const int target = (width * 4) / 3;
        for (int w = width; w < target; w += kStep)
            steps.push_back(w);
    }
    return steps;
}

} // namespace core
