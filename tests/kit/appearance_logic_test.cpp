// The Main window's alpha and its centred position.
#include "kit/appearance_logic.h"

#include <gtest/gtest.h>

TEST(LayeredAlpha, FollowsTheOpacityWhenTranslucent)
{
    const struct {
        int opacity;
        int alpha;
    } table[] = {{0, 0}, {1, 2}, {50, 127}, {99, 252}, {100, 255}};
    for (const auto& entry : table)
        EXPECT_EQ(layeredAlpha(1, entry.opacity), entry.alpha) << entry.opacity;
}

TEST(LayeredAlpha, OpacitiesOutsideThePercentRangeWrapInEightBits)
{
    EXPECT_EQ(layeredAlpha(1, 101), 1);    // floor(257.55) = 257
    EXPECT_EQ(layeredAlpha(1, 110), 24);   // floor(280.5) = 280
    EXPECT_EQ(layeredAlpha(1, 200), 254);  // 510
    EXPECT_EQ(layeredAlpha(1, -1), 253);   // floor(-2.55) = -3
    EXPECT_EQ(layeredAlpha(1, INT32_MAX), static_cast<std::uint8_t>(
                                              static_cast<std::int64_t>(INT32_MAX) * 255 / 100));
}

TEST(LayeredAlpha, IsOpaqueUnlessTranslucencyIsExactlyOne)
{
    for (int opacity : {0, 50, 100, 110})
        EXPECT_EQ(layeredAlpha(0, opacity), 255);
    EXPECT_EQ(layeredAlpha(2, 50), 255);
    EXPECT_EQ(layeredAlpha(-1, 50), 255);
}

TEST(CentredPosition, HalvesAreTakenBeforeTheSubtraction)
{
    WindowPosition position = centredPosition(1024, 768, 163, 286);
    EXPECT_EQ(position.x, 431);
    EXPECT_EQ(position.y, 241);
    position = centredPosition(1025, 769, 163, 287);  // 512 - 81, 384 - 143
    EXPECT_EQ(position.x, 431);
    EXPECT_EQ(position.y, 241);
}

TEST(CentredPosition, AWindowAsTallAsTheDesktopGoesToTheTop)
{
    EXPECT_EQ(centredPosition(1024, 286, 163, 286).y, 0);
    EXPECT_EQ(centredPosition(1024, 200, 163, 286).y, 0);
    EXPECT_EQ(centredPosition(1024, 287, 163, 286).y, 0);  // 143 - 143
}

TEST(CentredPosition, AWindowWiderThanTheDesktopMayStartLeftOfIt)
{
    EXPECT_EQ(centredPosition(100, 768, 163, 286).x, 50 - 81);
}
