// Display scale arithmetic: the one scaling rule, font heights, window sizes, the images' scale.
#include "kit/dpi_scale.h"

#include <gtest/gtest.h>

TEST(DpiScale, FiguresRoundToTheNearestPixelHalvesAwayFromZeroAndFontsDropTheFraction)
{
    const struct {
        int value, dpi, scaled, fontHeight;
    } table[] = {
        {5, 96, 5, 5},          {5, 120, 6, 6},         {5, 144, 8, 7},  // 6.25, 7.5
        {50, 120, 63, 62},      {-5, 144, -8, -7},      {0, 144, 0, 0},  // 62.5, -7.5
        {-13, 120, -16, -16},   {-13, 144, -20, -19},   {-13, 168, -23, -22},  // -19.5, -22.75
        {-12, 192, -24, -24},   {146, 72, 110, 109},    {-1, 48, -1, 0},  // 109.5, -0.5
        {100000000, 192, 200000000, 200000000},  // no overflow of the product
    };
    for (const auto& row : table) {
        EXPECT_EQ(scaleForDpi(row.value, row.dpi), row.scaled) << row.value << " at " << row.dpi;
        EXPECT_EQ(scaleFontHeightForDpi(row.value, row.dpi), row.fontHeight)
            << row.value << " at " << row.dpi;
    }
}

TEST(DpiScale, AWindowHasItsClientAreaScaledAndTheFrameOfTheDpi)
{
    // Frames as Wine 8 draws a caption window: 6 x 25 at 96 DPI, 6 x 30 at 120, 6 x 34 at 144.
    const struct {
        PixelSize outer96, frame96, frameAtDpi;
        int dpi;
        PixelSize outer;
    } table[] = {
        {{163, 286}, {6, 25}, {6, 34}, 144, {242, 426}},  // 235.5 x 391.5 inside
        {{163, 286}, {6, 25}, {6, 30}, 120, {202, 356}},  // 196.25 x 326.25
        {{281, 353}, {6, 25}, {6, 34}, 144, {419, 526}},  // 412.5 x 492
        {{163, 286}, {8, 31}, {8, 31}, 96, {163, 286}},   // at 96 DPI the size given, whatever frame
    };
    for (const auto& row : table) {
        PixelSize outer = scaledOuterSize(row.outer96, row.frame96, row.frameAtDpi, row.dpi);
        EXPECT_EQ(outer.width, row.outer.width) << row.outer96.width << " at " << row.dpi;
        EXPECT_EQ(outer.height, row.outer.height) << row.outer96.height << " at " << row.dpi;
    }
}

TEST(DpiScale, ImagesAreThoseOfTheNearestScaleTheSmallerOfTwoEquallyNear)
{
    const struct {
        int dpi, index, id, side;  // the image 101, 50 pixels wide at 100 %
    } table[] = {
        {72, 0, 101, 50},   {96, 0, 101, 50},   {108, 0, 101, 50},  {109, 1, 201, 63},
        {120, 1, 201, 63},  {132, 1, 201, 63},  {133, 2, 301, 75},  {144, 2, 301, 75},
        {168, 2, 301, 75},  {169, 3, 401, 100}, {192, 3, 401, 100}, {288, 3, 401, 100},
    };
    for (const auto& row : table) {
        EXPECT_EQ(imageScaleIndex(row.dpi), row.index) << row.dpi;
        EXPECT_EQ(scaledImageId(101, row.dpi), row.id) << row.dpi;
        EXPECT_EQ(scaledImageSide(50, row.dpi), row.side) << row.dpi;
    }
}
