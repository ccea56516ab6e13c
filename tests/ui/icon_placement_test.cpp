// Where the minimised main dialog draws its icon. Under Wine a minimised
// window has no client area, so the painting never runs there by itself:
// the arithmetic is checked here directly.
#include <gtest/gtest.h>

#include <string>

#include "icon_placement.h"

namespace {

struct Placement {
    int client;
    int icon;
    int offset;
};

class CentredIconOffsetTest : public testing::TestWithParam<Placement> {};

std::string PlacementName(const testing::TestParamInfo<Placement>& info)
{
    return "client" + std::to_string(info.param.client) + "_icon" + std::to_string(info.param.icon);
}

TEST_P(CentredIconOffsetTest, CentresWithTruncatingDivision)
{
    const Placement& p = GetParam();
    EXPECT_EQ(CentredIconOffset(p.client, p.icon), p.offset)
        << "client " << p.client << " px, icon " << p.icon << " px";
}

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoPixelIcon, CentredIconOffsetTest,
    testing::Values(Placement{36, 32, 2},    // even margin
                    Placement{35, 32, 2},    // the odd pixel goes after the icon
                    Placement{32, 32, 0},    // exact fit
                    Placement{31, 32, 0},    // 0 / 2
                    Placement{30, 32, 0},    // -1 / 2 truncates toward zero, not down to -1
                    Placement{29, 32, -1},   // -2 / 2
                    Placement{28, 32, -1},   // -3 / 2 truncates to -1, not -2
                    Placement{0, 32, -15},   // no client area at all
                    Placement{1024, 32, 496}),
    PlacementName);

}  // namespace
