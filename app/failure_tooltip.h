// The detail of a failed send as the status line's tooltip.
#pragma once

// Shows detail (code page 932, lines broken by CR LF) when the mouse rests on the status line;
// an empty detail removes the tooltip.
void showStatusTooltip(const char* detail);

// Gives the tooltip the status line's place and a width for the Main window's DPI: after the
// window was laid out again.
void refitStatusTooltip();
