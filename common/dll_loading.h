// Where the program's DLLs come from: system DLLs from the system folder only, the program's
// own from its own folder only. Never from the current folder, nor from a downloads folder
// beside the unpacked program, where a planted DLL of a system name could wait to be loaded.
#pragma once

#include <windows.h>

// Takes the program's folder and the current folder out of the search for DLLs that the
// system and its DLLs load later, where the system can (Windows 8, or 7 with its loader
// update); harmless elsewhere.
void restrictDllSearch();

// A system DLL by its file name, from the system folder; null when it cannot be loaded.
HMODULE loadSystemLibrary(const char* dllName);

// A DLL by its file name from the folder of the running program; null when it cannot be loaded.
HMODULE loadProgramLibrary(const char* dllName);
