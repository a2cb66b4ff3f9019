// Driving velmor.exe from a test process.
#include "tests/win32/velmor_process.h"

#include <commctrl.h>
#include <psapi.h>

#include <vector>

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr std::size_t kTooltipTextBytes = 1024;

// The tool record and the buffer that TTM_GETTEXT fills, in the program's memory, where the
// tooltip reads and writes them.
struct RemoteToolText {
    TTTOOLINFOA tool;
    char text[kTooltipTextBytes];
};

struct WindowSearch {
    DWORD processId;
    const char* className;
    std::vector<HWND> found;
};

// Collects the top-level windows of the process with the class name (any case).
BOOL CALLBACK collectWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && lstrcmpiA(name, search->className) == 0)
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> windowsOf(DWORD processId, const char* className)
{
    WindowSearch search = {processId, className, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

VelmorProcess::~VelmorProcess() { end(); }

void VelmorProcess::end()
{
    if (!process_.hProcess)
        return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
    window_ = nullptr;
}

HWND VelmorProcess::start(const std::string& exePath)
{
    end();  // a run started before by this object
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_))
        return nullptr;
    WaitForInputIdle(process_.hProcess, kStartTimeoutMs);
    std::vector<HWND> found;
    for (DWORD waited = 0; found.empty() && waited < kStartTimeoutMs; waited += 100) {
        found = windowsOf(process_.dwProcessId, "NORMAL0");
        if (found.empty())
            Sleep(100);
    }
    window_ = found.empty() ? nullptr : found.front();
    return window_;
}

std::string VelmorProcess::textOf(HWND window)
{
    char text[1024] = {};
    DWORD_PTR ignored = 0;
    // WM_GETTEXT crosses the process boundary; GetWindowText would not for another process.
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &ignored))
        return "<busy>";
    return text;
}

void VelmorProcess::type(const std::string& text)
{
    HWND editor = control(1004);
    SendMessageA(editor, EM_SETSEL, 0, -1);
    SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void VelmorProcess::click(int id) { PostMessageA(control(id), BM_CLICK, 0, 0); }

DWORD VelmorProcess::exitCode(DWORD timeoutMs)
{
    WaitForSingleObject(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool VelmorProcess::waitForStatus(const std::string& text, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 200) {
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_TIMEOUT)
            return false;
        if (textOf(control(1006)) == text)
            return true;
        Sleep(200);
    }
    return false;
}

std::string VelmorProcess::tooltipText(HWND window, UINT_PTR toolId) const
{
    auto* remote = static_cast<RemoteToolText*>(VirtualAllocEx(
        process_.hProcess, nullptr, sizeof(RemoteToolText), MEM_COMMIT, PAGE_READWRITE));
    if (!remote)
        return std::string();
    std::string found;
    for (HWND tooltip : windowsOf(process_.dwProcessId, TOOLTIPS_CLASSA)) {
        RemoteToolText query = {};
        query.tool.cbSize = TTTOOLINFOA_V1_SIZE;
        query.tool.hwnd = window;
        query.tool.uId = toolId;
        query.tool.lpszText = remote->text;
        DWORD_PTR ignored = 0;
        RemoteToolText answer = {};
        if (WriteProcessMemory(process_.hProcess, remote, &query, sizeof query, nullptr) &&
            SendMessageTimeoutA(tooltip, TTM_GETTEXTA, kTooltipTextBytes,
                                reinterpret_cast<LPARAM>(&remote->tool), SMTO_ABORTIFHUNG, 2000,
                                &ignored) &&
            ReadProcessMemory(process_.hProcess, remote, &answer, sizeof answer, nullptr)) {
            answer.text[kTooltipTextBytes - 1] = '\0';
            found = answer.text;
        }
        if (!found.empty())
            break;
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return found;
}

bool VelmorProcess::hasLoaded(const char* dllName) const
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process_.hProcess, modules, sizeof modules, &bytes))
        return false;
    for (DWORD i = 0; i < bytes / sizeof modules[0] && i < 512; ++i) {
        char name[MAX_PATH] = {};
        if (GetModuleBaseNameA(process_.hProcess, modules[i], name, sizeof name) &&
            lstrcmpiA(name, dllName) == 0)
            return true;
    }
    return false;
}

int VelmorProcess::windowCount(const char* className) const
{
    return static_cast<int>(windowsOf(process_.dwProcessId, className).size());
}
