// velmor.exe: start-up, the Main window and the message loop.
#include <windows.h>

#include "app/startup.h"
#include "common/dll_loading.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    restrictDllSearch();
    prepareProgram(instance);
    createMainWindow();
    runMessageLoop();
    return 0;
}
