// Display scale arithmetic.
#include "kit/dpi_scale.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>

int scaleForDpi(int value, int dpi)
{
    // The half divisor added away from zero before the division, which truncates towards it.
    std::int64_t product = static_cast<std::int64_t>(value) * dpi;
    std::int64_t half = product < 0 ? -kDefaultDpi / 2 : kDefaultDpi / 2;
    return static_cast<int>((product + half) / kDefaultDpi);
}

int scaleFontHeightForDpi(int height, int dpi)
{
    return static_cast<int>(static_cast<std::int64_t>(height) * dpi / kDefaultDpi);
}

PixelSize scaledOuterSize(PixelSize outer96, PixelSize frame96, PixelSize frameAtDpi, int dpi)
{
    return {scaleForDpi(outer96.width - frame96.width, dpi) + frameAtDpi.width,
            scaleForDpi(outer96.height - frame96.height, dpi) + frameAtDpi.height};
}

int imageScaleIndex(int dpi)
{
    int nearest = 0;
    for (int i = 1; i < static_cast<int>(std::size(kImageScales)); ++i) {
        // Compared in hundredths of 96 DPI, so that no division rounds.
        int distance = std::abs(dpi * 100 - kImageScales[i] * kDefaultDpi);
        if (distance < std::abs(dpi * 100 - kImageScales[nearest] * kDefaultDpi))
            nearest = i;
    }
    return nearest;
}

int scaledImageId(int baseId, int dpi)
{
    return baseId + imageScaleIndex(dpi) * SCALED_IMAGE_ID_STEP;
}

int scaledImageSide(int size96, int dpi)
{
    return scaleForDpi(size96, kImageScales[imageScaleIndex(dpi)] * kDefaultDpi / 100);
}
