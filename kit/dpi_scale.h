// The arithmetic of display scales: every layout of the program is written in pixels at 96 DPI
// (100 %) and scaled to the DPI of the window that shows it by one rule; the images are drawn
// for four scales, of which the nearest is shown. Portable, so that the rules are tested natively.
#pragma once

#include "kit/scaled_image_ids.h"

constexpr int kDefaultDpi = 96;  // 100 %: the DPI the layouts are written for

// value at dpi: value * dpi / 96 rounded to the nearest pixel, halves away from zero, as
// MulDiv(value, dpi, 96) gives it (5 becomes 8 at 144 DPI).
int scaleForDpi(int value, int dpi);

// A font's height (LOGFONT's lfHeight, negative for the character height) at dpi: height *
// dpi / 96 with any fraction dropped, so that a text never comes out wider than its control,
// which the rule above scales: -13 is -16 at 120 DPI, -19 at 144 and -26 at 192. (Rounded up
// to -20 at 144, the Options dialog's tightest labels, such as "制限文字数" in 66 pixels at
// 96 DPI, lose their last character.)
int scaleFontHeightForDpi(int height, int dpi);

struct PixelSize {
    int width;
    int height;
};

// The outer size at dpi of a window that is outer96 big at 96 DPI: its client area at 96 DPI
// (outer96 less frame96, the frame and caption there) scaled by the rule, plus frameAtDpi, the
// frame and caption at dpi. At 96 DPI it is outer96 itself.
PixelSize scaledOuterSize(PixelSize outer96, PixelSize frame96, PixelSize frameAtDpi, int dpi);

// The scales the images are drawn for, in percent, as the resource script draws them.
constexpr int kImageScales[] = {100, 125, 150, 200};

// Which of kImageScales is nearest to dpi (its index); of two equally near, the smaller, so that
// an image never comes out larger than its place at a scale between two of them (175 %).
int imageScaleIndex(int dpi);

// The resource identifier of the image baseId (its 100 % image) drawn for the scale nearest to
// dpi: baseId itself at 100 %.
int scaledImageId(int baseId, int dpi);

// The side in pixels of an image that is size96 pixels at 100 %, at the scale nearest to dpi:
// what the resource script drew for that scale.
int scaledImageSide(int size96, int dpi);
