#include "core/progress_rate.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(ProgressRate, PercentTextAndEndOfEachRun) {
    ProgressRate rate;
    EXPECT_EQ(rate.update(0, 200).rfind("0 % ", 0), 0u);
    EXPECT_FALSE(rate.finished());
    std::string half = rate.update(100, 200);
    EXPECT_EQ(rate.percent(), 50);
    EXPECT_NE(half.find(" MB/s"), std::string::npos);
    rate.update(200, 200);
    EXPECT_TRUE(rate.finished());
    rate.update(10, 1000);
    EXPECT_FALSE(rate.finished()) << "a report after the end starts a new run";
    EXPECT_EQ(rate.percent(), 1);
    rate.update(0, 0);
    EXPECT_EQ(rate.percent(), 100) << "an empty source is done at once";
    EXPECT_TRUE(rate.finished());
}

} // namespace
} // namespace tervolen
