// VMAIL.DLL's entry point: the library keeps no per-process state that needs setting up.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
