// The file layer on the Win32 CreateFileA family.
#include "common/file.h"

#include <windows.h>

namespace {

HANDLE asHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

struct OpenParameters {
    DWORD access;
    DWORD share;
    DWORD creation;
};

OpenParameters parametersFor(FileMode mode)
{
    switch (mode) {
    case FileMode::readExclusive:   return {GENERIC_READ, 0, OPEN_EXISTING};
    case FileMode::readShared:      return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
    case FileMode::createExclusive: return {GENERIC_WRITE, 0, CREATE_ALWAYS};
    case FileMode::appendExclusive: return {GENERIC_WRITE, 0, OPEN_ALWAYS};
    }
    return {GENERIC_READ, 0, OPEN_EXISTING};
}

}  // namespace

File::File(const char* name, FileMode mode)
{
    if (!fileStepAllowed(FileStep::open))
        return;
    OpenParameters p = parametersFor(mode);
    HANDLE handle = CreateFileA(name, p.access, p.share, nullptr, p.creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    if (mode == FileMode::appendExclusive &&
        SetFilePointer(handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        close();
}

std::int64_t File::read(void* buffer, std::size_t size)
{
    if (!isOpen())
        return -1;
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(asHandle(handle_), buffer, chunk, &got, nullptr))
        return -1;
    return got;
}

bool File::write(std::string_view bytes)
{
    if (!isOpen() || !fileStepAllowed(FileStep::write))
        return false;
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(asHandle(handle_), bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool File::flush()
{
    return isOpen() && fileStepAllowed(FileStep::flush) && FlushFileBuffers(asHandle(handle_));
}

std::int64_t File::size() const
{
    if (!isOpen())
        return -1;
    DWORD high = 0;
    DWORD low = GetFileSize(asHandle(handle_), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return -1;
    return (static_cast<std::int64_t>(high) << 32) | low;
}

bool File::seek(std::int64_t offset)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return isOpen() && SetFilePointerEx(asHandle(handle_), distance, nullptr, FILE_BEGIN);
}

void File::close()
{
    if (isOpen())
        CloseHandle(asHandle(handle_));
    handle_ = kNoHandle;
}

bool replaceFile(const char* from, const char* to)
{
    if (!fileStepAllowed(FileStep::replace))
        return false;
    // A read-only file is one the user does not want written; Windows refuses to replace it,
    // and so does this layer on every system it runs on.
    DWORD attributes = GetFileAttributesA(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char* name) { return DeleteFileA(name) != 0; }
