// velmor.exe: start-up, the Main window and the message loop.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    prepareProgram(instance);
    createMainWindow();
    runMessageLoop();
    return 0;
}
