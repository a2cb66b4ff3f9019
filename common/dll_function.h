// Functions of DLLs that the program loads when it first needs them rather than at start-up,
// where they would delay the Main window's first paint.
#pragma once

#include <windows.h>

#include "common/dll_loading.h"

// The function exported under name by module, as a pointer of type Function; null when the
// module is null or does not export it.
template <typename Function>
Function moduleFunction(HMODULE module, const char* name)
{
    if (!module)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The function exported under name by user32, which every windowed program has loaded: looked
// up, not loaded; null where the system is too old to have it.
template <typename Function>
Function user32Function(const char* name)
{
    return moduleFunction<Function>(GetModuleHandleA("user32.dll"), name);
}

// Loads the system DLL dllName from the system folder, or counts it once more when it is loaded
// already, and keeps it loaded for the rest of the run (a sound played asynchronously or a
// shell operation may still be at work in it); null when the DLL or the function is missing.
template <typename Function>
Function loadedFunction(const char* dllName, const char* name)
{
    return moduleFunction<Function>(loadSystemLibrary(dllName), name);
}
