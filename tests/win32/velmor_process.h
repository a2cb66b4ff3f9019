// velmor.exe started as its own process in the current folder, with helpers that reach its
// Main window from outside, as a user's clicks and typing would.
#pragma once

#include <windows.h>

#include <string>

class VelmorProcess {
public:
    VelmorProcess() = default;
    VelmorProcess(const VelmorProcess&) = delete;
    VelmorProcess& operator=(const VelmorProcess&) = delete;
    // Ends a process that is still running, so that no test leaves one behind.
    ~VelmorProcess();

    // Starts velmor.exe and waits, bounded, for its Main window; null when it did not appear.
    HWND start() { return start(VELMOR_EXE); }
    // The same for another copy of the program.
    HWND start(const std::string& exePath);
    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }

    // A window's text read across the process boundary; "<busy>" when the program does not
    // answer within 2 s.
    static std::string textOf(HWND window);
    // Replaces the editor's text the way typing does, so that the program counts it.
    void type(const std::string& text);
    void click(int id);

    // The text of the program's tooltip tool toolId of window, read with TTM_GETTEXT; empty when
    // no tooltip of the program has that tool.
    std::string tooltipText(HWND window, UINT_PTR toolId) const;
    // Whether the program has loaded the DLL of that file name (any case).
    bool hasLoaded(const char* dllName) const;
    // How many top-level windows of the class name (any case) the program has.
    int windowCount(const char* className) const;

    // Waits, bounded, for the process to end; its exit code, or STILL_ACTIVE (259).
    DWORD exitCode(DWORD timeoutMs = 15000);
    // Waits, bounded, until the status line shows text; false on time-out or when the
    // process ended meanwhile.
    bool waitForStatus(const std::string& text, DWORD timeoutMs);

private:
    void end();

    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};
