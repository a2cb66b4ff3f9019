// Alpha and centring.
#include "kit/appearance_logic.h"

#include <cmath>

std::uint8_t layeredAlpha(std::int16_t translucent, std::int32_t opacity)
{
    if (translucent != 1)
        return 255;
    // The product is integral; a 64-bit product cannot overflow for any 32-bit opacity.
    double scaled = std::floor(static_cast<double>(static_cast<std::int64_t>(opacity) * 255) / 100);
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(scaled) & 0xff);
}

WindowPosition centredPosition(int desktopWidth, int desktopHeight, int width, int height)
{
    WindowPosition position;
    position.x = desktopWidth / 2 - width / 2;
    position.y = desktopHeight <= height ? 0 : desktopHeight / 2 - height / 2;
    return position;
}
