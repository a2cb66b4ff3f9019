// A Main window of the real shell, created in the test process in a scratch folder and torn
// down again after each test, with helpers to read what it shows.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/test_files.h"

class MainWindowTest : public ScratchFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the Main window after the test has put its files in place.
    HWND openMainWindow();
    // Dispatches the messages waiting for this thread, painting included; false when WM_QUIT
    // came, with its code in quitCode.
    bool pumpMessages();

    HWND control(int id) const { return GetDlgItem(window_, id); }
    std::string controlText(int id) const;
    std::string windowText(HWND window) const;
    // Replaces the editor's text as typing does, so the editor reports EN_CHANGE.
    void setEditorText(const std::string& text);

    HWND window_ = nullptr;
    WPARAM quitCode = ~WPARAM(0);
};

// The side in pixels of an icon's image; 0 for no icon.
int iconSide(HICON icon);
// A window's text, read with a bounded wait so that a hung window cannot hang the test.
std::string textOf(HWND window);
// Waits, bounded, for a visible window of this process with the class name and (when given)
// the title; null when none appeared.
HWND waitForWindow(const char* className, const char* title);
