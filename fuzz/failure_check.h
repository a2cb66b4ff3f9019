// What every failure the library records must be, whatever a server sent: a kind with a line when
// and only when the step failed, and the line one the program can show (at most 255 bytes, no
// control characters, valid code page 932).
#pragma once

#include <cstring>

#include "check.h"
#include "vmail/charset.h"
#include "vmail/failure.h"

inline void checkShowable(std::string_view line, std::size_t maxBytes)
{
    CHECK(line.size() <= maxBytes);
    for (char c : line)
        CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
    CHECK(vmail::cp932ToUtf8(line).has_value());
}

inline void checkFailure(const vmail::Failure& failure, bool failed)
{
    CHECK(failure.failed() == failed);
    const std::string_view line(failure.line, std::strlen(failure.line));
    CHECK(failed != line.empty());
    checkShowable(line, vmail::kMaxFailureLine);
}
