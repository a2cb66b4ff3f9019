// What the library tells of its last failure, read as the program reads it.
#pragma once

#include <cstdint>
#include <string>

#include "vmail/vmail.h"

struct LastError {
    int32_t kind = VMAIL_FAILURE_NONE;
    std::string line;  // code page 932
};

// VMailLastError for handle (-1: the calling thread's last connect).
inline LastError lastError(int32_t handle)
{
    char buffer[300];
    int32_t kind = VMailLastError(handle, buffer, sizeof buffer);
    return {kind, buffer};
}

// VMailLastSendError: the calling thread's last one-call send.
inline LastError lastSendError()
{
    char buffer[300];
    int32_t kind = VMailLastSendError(buffer, sizeof buffer);
    return {kind, buffer};
}
