// Reads an open file byte by byte through a buffer, with one byte of look-ahead to put back.
#pragma once

#include <cstddef>

#include "common/file.h"

class ByteReader {
public:
    static constexpr int kEnd = -1;     // the end of the file
    static constexpr int kFailed = -2;  // a read failed, or the file is not open

    explicit ByteReader(File& file) : file_(file) {}
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // The next byte (0 to 255), kEnd or kFailed. After the end or a failure it keeps answering so.
    int next();
    // Puts back the byte just read, so that the next call answers it again.
    void putBack(unsigned char byte) { pushedBack_ = byte; }

private:
    static constexpr std::size_t kBufferSize = 4096;
    File& file_;
    unsigned char buffer_[kBufferSize];
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    int pushedBack_ = -1;
    int stopped_ = 0;  // kEnd or kFailed once the stream has stopped
};
