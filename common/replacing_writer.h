// Writes a file so that a failure never loses the old one: the bytes go to a temporary file
// beside it, which replaces the old file only when every byte has been written and flushed.
#pragma once

#include <string>
#include <string_view>

#include "common/file.h"

class ReplacingWriter {
public:
    explicit ReplacingWriter(const char* name);
    ReplacingWriter(const ReplacingWriter&) = delete;
    ReplacingWriter& operator=(const ReplacingWriter&) = delete;
    // Without a successful commit the temporary file is removed and the old file stays.
    ~ReplacingWriter();

    // Appends bytes; after the first failure every later write is skipped.
    void write(std::string_view bytes);
    // Puts the new file in place of the old one. False when anything failed; the old file, if
    // any, is then unchanged.
    bool commit();

private:
    std::string name_;
    std::string temporaryName_;
    File file_;
    bool failed_ = false;
    bool committed_ = false;
};
