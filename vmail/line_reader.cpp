// Line reading over a socket.
#include "vmail/line_reader.h"

namespace vmail {

LineStatus LineReader::readLine(std::string& line, std::size_t maxLength, Clock::time_point deadline)
{
    line.clear();
    for (;;) {
        std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::size_t length = end > 0 && buffer_[end - 1] == '\r' ? end - 1 : end;
            if (length > maxLength)
                return LineStatus::tooLong;
            line.assign(buffer_, 0, length);
            buffer_.erase(0, end + 1);
            return LineStatus::ok;
        }
        // Room for the line end beyond the limit; anything more cannot be a line of ours.
        if (buffer_.size() > maxLength + 1)
            return LineStatus::tooLong;
        char chunk[1024];
        std::size_t received = 0;
        NetStatus status = socket_.receive(chunk, sizeof chunk, received, millisecondsUntil(deadline));
        if (status == NetStatus::timedOut)
            return LineStatus::timedOut;
        if (status != NetStatus::ok)
            return LineStatus::failed;
        buffer_.append(chunk, received);
    }
}

}  // namespace vmail
