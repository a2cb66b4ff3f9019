// Buffered byte reading.
#include "common/byte_reader.h"

#include <cstdint>

int ByteReader::next()
{
    if (pushedBack_ >= 0) {
        int byte = pushedBack_;
        pushedBack_ = -1;
        return byte;
    }
    if (position_ == length_) {
        if (stopped_)
            return stopped_;
        std::int64_t got = file_.read(buffer_, kBufferSize);
        if (got <= 0) {
            stopped_ = got == 0 ? kEnd : kFailed;
            return stopped_;
        }
        position_ = 0;
        length_ = static_cast<std::size_t>(got);
    }
    return buffer_[position_++];
}
