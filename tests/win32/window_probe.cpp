// Tells a script that drives velmor.exe with real key presses and clicks (tools/demo_drive.py)
// where the program's windows and controls are on the screen and what they say. It only reads:
// no message goes to the program, so it answers while the program is busy sending.
//   window_probe show CLASS SECONDS ID...
//       waits until a visible top-level window of CLASS has every control ID, then prints one
//       line per ID: "ID LEFT TOP RIGHT BOTTOM TEXT", the control's rectangle on the screen and
//       its text in code page 932 (ID 0 is the window itself)
//   window_probe until CLASS SECONDS ID PREFIX
//       waits until that control's text starts with PREFIX, then prints its line as show does
// Exit status 0 when it saw what it waited for, 1 when SECONDS passed first, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kMaxSeconds = 600;
constexpr int kMaxTextChars = 1024;

// The window's text as the window manager keeps it. InternalGetWindowText reads it without a
// message (GetWindowText would send WM_GETTEXT to another process's control and wait for it).
std::string storedText(HWND window)
{
    std::vector<wchar_t> wide(kMaxTextChars, L'\0');
    int length = InternalGetWindowText(window, wide.data(), kMaxTextChars);
    if (length <= 0)
        return std::string();
    int bytes = WideCharToMultiByte(932, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(932, 0, wide.data(), length, &text[0], bytes, nullptr, nullptr);
    return text;
}

HWND controlOf(HWND window, int id)
{
    return id == 0 ? window : GetDlgItem(window, id);
}

HWND visibleWindow(const char* className)
{
    HWND window = FindWindowA(className, nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

bool hasControls(HWND window, const std::vector<int>& ids)
{
    for (int id : ids) {
        if (!controlOf(window, id))
            return false;
    }
    return true;
}

void printControl(HWND window, int id)
{
    HWND control = controlOf(window, id);
    RECT box = {};
    GetWindowRect(control, &box);
    std::printf("%d %ld %ld %ld %ld %s\n", id, box.left, box.top, box.right, box.bottom,
                storedText(control).c_str());
}

// Polls every kPollMs until the condition holds or the seconds have passed.
template <typename Condition>
bool waitFor(int seconds, Condition condition)
{
    const DWORD limit = static_cast<DWORD>(seconds) * 1000;
    for (DWORD waited = 0;; waited += kPollMs) {
        if (condition())
            return true;
        if (waited >= limit)
            return false;
        Sleep(kPollMs);
    }
}

int show(const char* className, int seconds, const std::vector<int>& ids)
{
    HWND window = nullptr;
    bool found = waitFor(seconds, [&] {
        window = visibleWindow(className);
        return window && hasControls(window, ids);
    });
    if (!found)
        return 1;
    for (int id : ids)
        printControl(window, id);
    return 0;
}

int until(const char* className, int seconds, int id, const std::string& prefix)
{
    HWND window = nullptr;
    bool found = waitFor(seconds, [&] {
        window = visibleWindow(className);
        HWND control = window ? controlOf(window, id) : nullptr;
        return control && storedText(control).compare(0, prefix.size(), prefix) == 0;
    });
    if (window && controlOf(window, id))
        printControl(window, id);
    return found ? 0 : 1;
}

bool parseNumber(const char* text, int low, int high, int& value)
{
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    int seconds = 0;
    if (argc < 5 || !parseNumber(argv[3], 0, kMaxSeconds, seconds)) {
        std::fputs("usage: window_probe show CLASS SECONDS ID... | until CLASS SECONDS ID PREFIX\n",
                   stderr);
        return 2;
    }
    const std::string mode = argv[1];
    std::vector<int> ids;
    const int idCount = mode == "until" ? 1 : argc - 4;
    for (int i = 0; i < idCount; ++i) {
        int id = 0;
        if (!parseNumber(argv[4 + i], 0, 0xffff, id))
            return 2;
        ids.push_back(id);
    }
    int status = 2;
    if (mode == "show")
        status = show(argv[2], seconds, ids);
    else if (mode == "until" && argc == 6)
        status = until(argv[2], seconds, ids[0], argv[5]);
    std::fflush(stdout);
    return status;
}
