// A DLL planted beside the program under a system DLL's name (winmm.dll), as one could be in a
// downloads folder: loading it leaves a marker file in the current folder, so a test sees
// whether the program ever took it instead of the system's own.
// Without the multimedia declarations, which would import the function defined here.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = CreateFileA("planted-dll-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE)
            CloseHandle(marker);
    }
    return TRUE;
}

// What the program looks up in winmm.dll.
extern "C" __declspec(dllexport) BOOL WINAPI PlaySoundA(LPCSTR, HMODULE, DWORD) { return TRUE; }
