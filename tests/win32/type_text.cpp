// Types text into whatever has the keyboard focus, one key press at a time through SendInput,
// the way a keyboard's input reaches a program: the program gets the same key and character
// messages as from typing. Used by the headless demo (tools/demo_drive.py) after it has clicked
// into the editor.
//   type_text DELAY_MS TEXT
// Each character of TEXT is a press and release of a Unicode key (an input method's way of
// delivering Japanese), a line feed is the Return key; DELAY_MS passes between characters.
// The text is read as UTF-16 from the command line, so no code page stands between it and the
// keys. Exit status 0 when every key went into the input queue, 1 when one did not, 2 on a usage
// error.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr long kMaxDelayMs = 5000;

INPUT keyInput(WORD virtualKey, WCHAR unit, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = unit;
    input.ki.dwFlags = flags;
    return input;
}

// One key press and its release: Return for a line feed, else the character as a Unicode key.
bool pressKey(WCHAR unit)
{
    INPUT inputs[2];
    if (unit == L'\n') {
        inputs[0] = keyInput(VK_RETURN, 0, 0);
        inputs[1] = keyInput(VK_RETURN, 0, KEYEVENTF_KEYUP);
    } else {
        inputs[0] = keyInput(0, unit, KEYEVENTF_UNICODE);
        inputs[1] = keyInput(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    }
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

bool parseDelay(const wchar_t* text, DWORD& delay)
{
    wchar_t* end = nullptr;
    long value = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || value < 0 || value > kMaxDelayMs)
        return false;
    delay = static_cast<DWORD>(value);
    return true;
}

}  // namespace

int main()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    DWORD delay = 0;
    if (!arguments || count != 3 || !parseDelay(arguments[1], delay)) {
        std::fputws(L"usage: type_text DELAY_MS TEXT\n", stderr);
        return 2;
    }
    int status = 0;
    for (const wchar_t* unit = arguments[2]; *unit && status == 0; ++unit) {
        if (!pressKey(*unit))
            status = 1;
        Sleep(delay);
    }
    LocalFree(arguments);
    return status;
}
