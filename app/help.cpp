// Opening the help file through the shell, loaded at the first use.
#include "app/help.h"

#include <windows.h>
#include <shellapi.h>

#include "common/dll_function.h"

namespace {

constexpr char kHelpFile[] = "velmor.chm";

}  // namespace

void openHelp()
{
    if (auto shellExecute = loadedFunction<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA"))
        shellExecute(nullptr, "open", kHelpFile, nullptr, nullptr, SW_SHOWNORMAL);
}
