// Display scale arithmetic: the one scaling rule, window sizes and the choice of images.
#include "kit/dpi_scale.h"

#include <gtest/gtest.h>

TEST(ScaleForDpi, RoundsToTheNearestPixelWithHalvesAwayFromZero)
{
    const struct {
        int value, dpi, scaled;
    } table[] = {
        {5, 96, 5},      {5, 120, 6},      {5, 144, 8},       // 6.25, 7.5
        {5, 192, 10},    {50, 120, 63},    {215, 144, 323},   // 62.5, 322.5
        {-5, 144, -8},   {-13, 120, -16},  {-13, 144, -20},   // -7.5, -16.25, -19.5
        {0, 144, 0},
        {146, 72, 110},  {1, 48, 1},       {-1, 48, -1},      // below 96 DPI: 109.5, 0.5, -0.5
        {100000000, 192, 200000000},                          // no overflow of the product
    };
    for (const auto& row : table)
        EXPECT_EQ(scaleForDpi(row.value, row.dpi), row.scaled) << row.value << " at " << row.dpi;
}

TEST(ScaleFontHeightForDpi, DropsTheFractionSoThatNoTextOutgrowsItsControl)
{
    const struct {
        int height, dpi, scaled;
    } table[] = {
        {-13, 96, -13}, {-13, 120, -16}, {-13, 144, -19}, {-13, 168, -22},  // -19.5, -22.75
        {-13, 192, -26}, {-12, 120, -15}, {-12, 144, -18}, {-12, 192, -24},
        {13, 144, 19},  {-13, 72, -9},                                       // 9.75
    };
    for (const auto& row : table)
        EXPECT_EQ(scaleFontHeightForDpi(row.height, row.dpi), row.scaled)
            << row.height << " at " << row.dpi;
}

TEST(ScaledOuterSize, ScalesTheClientAreaAndAddsTheFrameOfTheDpi)
{
    // Frames as Wine 8 draws a caption window: 6 wide, 25 high at 96 DPI, 34 high at 144.
    const struct {
        PixelSize outer96, frame96, frameAtDpi;
        int dpi;
        PixelSize outer;
    } table[] = {
        {{163, 286}, {6, 25}, {6, 25}, 96, {163, 286}},
        {{163, 286}, {6, 25}, {6, 34}, 144, {242, 426}},   // 157 x 261 at 96: 235.5 x 391.5
        {{163, 286}, {6, 25}, {6, 30}, 120, {202, 356}},   // 196.25 x 326.25
        {{360, 625}, {6, 25}, {6, 43}, 192, {714, 1243}},
        {{281, 353}, {6, 25}, {6, 34}, 144, {419, 526}},   // 412.5 x 492
        // At 96 DPI the size is the one given, whatever frame the system reports there.
        {{163, 286}, {8, 31}, {8, 31}, 96, {163, 286}},
    };
    for (const auto& row : table) {
        PixelSize outer = scaledOuterSize(row.outer96, row.frame96, row.frameAtDpi, row.dpi);
        EXPECT_EQ(outer.width, row.outer.width) << row.outer96.width << " at " << row.dpi;
        EXPECT_EQ(outer.height, row.outer.height) << row.outer96.height << " at " << row.dpi;
    }
}

TEST(ImageScale, IsTheNearestScaleAndTheSmallerOfTwoEquallyNear)
{
    const struct {
        int dpi, index;
    } table[] = {
        {72, 0}, {96, 0}, {107, 0}, {108, 0}, {109, 1},  // 108 lies halfway between 96 and 120
        {120, 1}, {132, 1}, {133, 2}, {144, 2},          // 132 between 120 and 144
        {168, 2}, {169, 3}, {192, 3}, {288, 3},          // 175 % between 150 and 200 %
    };
    for (const auto& row : table)
        EXPECT_EQ(imageScaleIndex(row.dpi), row.index) << row.dpi;
}

TEST(ImageScale, GivesTheImageDrawnForTheScaleAndItsSize)
{
    const struct {
        int id, side96, dpi;
        int scaledId, side;
    } table[] = {
        {104, 32, 96, 104, 32},  {105, 32, 120, 205, 40}, {104, 16, 144, 304, 24},
        {108, 32, 192, 408, 64}, {101, 50, 120, 201, 63}, {101, 12, 120, 201, 15},
        {103, 32, 168, 303, 48}, {102, 50, 288, 402, 100},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.dpi);
        EXPECT_EQ(scaledImageId(row.id, row.dpi), row.scaledId);
        EXPECT_EQ(scaledImageSide(row.side96, row.dpi), row.side);
    }
}
