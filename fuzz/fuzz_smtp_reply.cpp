// SMTP replies as a server sends them: the input arrives on a loopback connection and
// readReply reads replies from it one after another, as the client does through a dialogue,
// until one is not ok. Each result is compared with a model of RFC 5321 4.2 written here from
// the header's rules: lines end at LF (a CR before it dropped), 510 bytes at most, three digits
// 2-5, 0-5, 0-9 then " ", "-" or the end, one code throughout, at most 100 lines.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "loopback.h"
#include "vmail/line_reader.h"
#include "vmail/smtp_reply.h"

namespace {

using vmail::ReplyStatus;

struct ModelReply {
    ReplyStatus status = ReplyStatus::failed;
    vmail::Reply reply;
};

// The model's reading of one reply from position in bytes; moves position past it.
ModelReply modelReply(std::string_view bytes, std::size_t& position)
{
    ModelReply result;
    while (result.reply.lines.size() < vmail::kMaxReplyLines) {
        std::size_t end = bytes.find('\n', position);
        if (end == std::string_view::npos) {
            // No line end before the close: too long once past the limit and its CR.
            result.status = bytes.size() - position > vmail::kMaxReplyLine + 1 ? ReplyStatus::invalid
                                                                                : ReplyStatus::failed;
            return result;
        }
        std::string_view line = bytes.substr(position, end - position);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        position = end + 1;
        if (line.size() > vmail::kMaxReplyLine) {
            result.status = ReplyStatus::invalid;
            return result;
        }
        auto digit = [&](std::size_t i, char low, char high) {
            return line.size() > i && line[i] >= low && line[i] <= high;
        };
        if (!digit(0, '2', '5') || !digit(1, '0', '5') || !digit(2, '0', '9') ||
            (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
            result.status = ReplyStatus::invalid;
            return result;
        }
        int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        if (!result.reply.lines.empty() && code != result.reply.code) {
            result.status = ReplyStatus::invalid;
            return result;
        }
        result.reply.code = code;
        result.reply.lines.emplace_back(line.size() > 3 ? line.substr(4) : std::string_view());
        if (line.size() == 3 || line[3] == ' ') {
            result.status = ReplyStatus::ok;
            return result;
        }
    }
    result.status = ReplyStatus::invalid;
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > LoopbackPeer::kMaxBytes)
        return -1;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vmail::Socket socket;
    LoopbackPeer peer(bytes, socket);
    vmail::LineReader reader(socket);
    std::size_t position = 0;
    for (;;) {
        vmail::Reply reply;
        ReplyStatus status =
            vmail::readReply(reader, vmail::Clock::now() + std::chrono::seconds(10), reply);
        CHECK(status != ReplyStatus::timedOut);
        ModelReply expected = modelReply(bytes, position);
        CHECK(status == expected.status);
        if (status != ReplyStatus::ok)
            break;
        CHECK(reply.code >= 200 && reply.code <= 559);
        CHECK(!reply.lines.empty() && reply.lines.size() <= vmail::kMaxReplyLines);
        CHECK(reply.code == expected.reply.code);
        CHECK(reply.lines == expected.reply.lines);
        for (const std::string& line : reply.lines)
            CHECK(line.size() + 4 <= vmail::kMaxReplyLine);
        // What is left unread must still be in the reader, nothing more.
        CHECK(reader.hasBuffered() == false || position < bytes.size());
    }
    socket.close();
    return 0;
}
