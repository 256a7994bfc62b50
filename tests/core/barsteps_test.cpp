#include "core/barsteps.h"

#include <gtest/gtest.h>

using core::barWidthSteps;

TEST(QuickViewBar, WidthStepsOfTwelvePixelsStopShortOfTheTarget) {
    const std::vector<int> narrowing = {544, 532, 520, 508, 496, 484, 472, 460, 448, 436, 424, 412};
    EXPECT_EQ(barWidthSteps(544, true), narrowing); // target 408
    EXPECT_EQ(barWidthSteps(412, false),
              std::vector<int>(narrowing.rbegin(), narrowing.rend())); // target 549
    EXPECT_EQ(barWidthSteps(408, false).back(), 540);                  // target 544 is not reached
}
