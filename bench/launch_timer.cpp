// Starting programs, finding their windows from outside, and the medians of the timings.
#include "bench/launch_timer.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kAnswerTimeoutMs = 30000;
constexpr DWORD kEndTimeoutMs = 10000;

struct WindowSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK findVisibleWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK findUnpaintedChild(HWND child, LPARAM unpainted)
{
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(unpainted) = true;
        return FALSE;
    }
    return TRUE;
}

// Whether the window or one of its visible controls still waits for its paint.
bool unpainted(HWND window)
{
    bool found = GetUpdateRect(window, nullptr, FALSE) != FALSE;
    if (!found)
        EnumChildWindows(window, findUnpaintedChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK closeWindow(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

LaunchedProgram::LaunchedProgram(const std::string& exePath)
{
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_))
        process_ = {};
}

LaunchedProgram::~LaunchedProgram()
{
    if (!started())
        return;
    // Every visible window of the program, as the user would close them.
    for (int i = 0; i < 3 && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; ++i) {
        EnumWindows(closeWindow, static_cast<LPARAM>(process_.dwProcessId));
        WaitForSingleObject(process_.hProcess, kEndTimeoutMs / 3);
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kEndTimeoutMs);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

HWND LaunchedProgram::waitForWindow(const char* className, double* answeredAt) const
{
    if (!started())
        return nullptr;
    WindowSearch search = {process_.dwProcessId, className, nullptr};
    // Polled every millisecond: a wait on the process would not tell when the window shows.
    double deadline = now() + kWindowTimeoutMs / 1000.0;
    while (!search.found && now() < deadline) {
        EnumWindows(findVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(1);
    }
    DWORD_PTR ignored = 0;
    if (!search.found || !SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL,
                                              kAnswerTimeoutMs, &ignored))
        return nullptr;
    if (answeredAt)
        *answeredAt = now();
    // Answering, the program is in its message loop; what the user sees is there once the
    // window and its controls are painted.
    while (unpainted(search.found) && now() < deadline)
        Sleep(1);
    return unpainted(search.found) ? nullptr : search.found;
}

double now()
{
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

StartTimes timeStart(const std::string& exePath, const char* className)
{
    double start = now();
    LaunchedProgram program(exePath);
    double answered = 0;
    if (!program.waitForWindow(className, &answered))
        return {-1, -1};
    return {answered - start, now() - start};
}

void clickControl(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void printComparison(const char* what, const char* floorName, const std::vector<double>& floor,
                     const char* programName, const std::vector<double>& program, int rounds)
{
    std::size_t perRound = floor.size() / static_cast<std::size_t>(rounds);
    for (int round = 0; round < rounds; ++round) {
        auto part = [&](const std::vector<double>& all) {
            auto first = all.begin() + static_cast<std::ptrdiff_t>(round * perRound);
            return median(std::vector<double>(first, first + static_cast<std::ptrdiff_t>(perRound)));
        };
        std::printf("%s, round %d of %zu each: %s %.1f ms, %s %.1f ms\n", what, round + 1, perRound,
                    floorName, part(floor) * 1000, programName, part(program) * 1000);
    }
    double floorMedian = median(floor);
    double programMedian = median(program);
    std::printf("%s: %s median %.1f ms, %s median %.1f ms, ratio %.2fx (%zu each)\n", what,
                floorName, floorMedian * 1000, programName, programMedian * 1000,
                floorMedian > 0 ? programMedian / floorMedian : 0.0, floor.size());
    std::fflush(stdout);
}

std::string ownFolder()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}
