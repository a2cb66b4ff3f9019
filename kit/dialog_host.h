// The host of the program's modal windows: opens one from the description its caller gives, over
// its owner, and runs it in a message loop of its own until the window calls closeDialog.
#pragma once

#include <windows.h>

#include <span>

#include "kit/controls.h"

constexpr char kDialogClassName[] = "NORMALDLG";

// A modal window: its title and outer size at 96 DPI, the procedure that runs it, where its
// handle is kept, and the program's icon resource shown in its title bar.
struct DialogSpec {
    const char* title;
    int width;
    int height;
    WNDPROC procedure;
    HWND* handle;
    int iconId;
};

// Registers "NORMALDLG", the class every dialog is created with.
void registerDialogClass();

// Opens dialog owned by owner, sized for the DPI it opens at (its procedure lays its controls out
// for that DPI on WM_INITDIALOG), disables the owner while it runs, from before the dialog's own
// initialisation on, and returns the code given to closeDialog.
int runDialog(HWND owner, const DialogSpec& dialog);

// Enables window's owner again, destroys window and ends its runDialog with code.
void closeDialog(HWND window, int code);

// WM_DPICHANGED (wParam, lParam) for a dialog that runDialog opened, whose controls come from
// table: the dialog is laid out again at the new DPI as relayControlsOut does, with font
// (fontHeight96 at 96 DPI), and its title shows the icon drawn for that DPI.
void relayDialogOut(HWND dialog, std::span<const ControlSpec> table, HFONT& font,
                    int fontHeight96, WPARAM wParam, LPARAM lParam);
