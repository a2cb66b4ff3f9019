// DLLs by full path.
#include "common/dll_loading.h"

#include <string>

#include "common/dll_function.h"

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Longer than any path the system hands out (32,767 characters and the zero).
constexpr DWORD kMaxPath = 32768;

// name in folder, which ends with a path separator or is empty.
HMODULE loadFromFolder(std::string folder, const char* name)
{
    if (folder.empty())
        return nullptr;
    folder += name;
    return LoadLibraryExA(folder.c_str(), nullptr, 0);
}

}  // namespace

void restrictDllSearch()
{
    auto setDefault = moduleFunction<SetDefaultDllDirectoriesFunction>(
        GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE loadSystemLibrary(const char* dllName)
{
    HMODULE module = LoadLibraryExA(dllName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // A system without the search flags: the same file named by its full path.
    std::string folder(MAX_PATH, '\0');
    UINT length = GetSystemDirectoryA(folder.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    folder.resize(length);
    return loadFromFolder(folder + "\\", dllName);
}

HMODULE loadProgramLibrary(const char* dllName)
{
    std::string path(kMaxPath, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), kMaxPath);
    if (length == 0 || length >= kMaxPath)
        return nullptr;  // a path cut short would name another file
    path.resize(length);
    std::string::size_type separator = path.find_last_of("\\/");
    return loadFromFolder(separator == std::string::npos ? std::string() : path.substr(0, separator + 1),
                          dllName);
}
