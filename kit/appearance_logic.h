// The arithmetic behind the Main window's look: its alpha and its centred position.
#pragma once

#include <cstdint>

// The alpha for the layered Main window: with translucency on (the value 1), the low eight bits
// of floor(opacity * 255 / 100), so 50 gives 127 and 110 wraps to 24; otherwise 255.
std::uint8_t layeredAlpha(std::int16_t translucent, std::int32_t opacity);

struct WindowPosition {
    int x;
    int y;
};

// The top-left corner that centres a window on the desktop; halves are taken before the
// subtraction. A window at least as tall as the desktop goes to the top; x is never corrected.
WindowPosition centredPosition(int desktopWidth, int desktopHeight, int width, int height);
