// SMTP replies (RFC 5321 4.2): one reader for single and multi-line replies, and the pure
// classification of a reply line that it stands on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vmail/line_reader.h"

namespace vmail {

constexpr std::size_t kMaxReplyLine = 510;  // RFC 5321 4.5.3.1.5: 512 with CR LF
constexpr std::size_t kMaxReplyLines = 100;  // far beyond any EHLO list; a server cannot flood us

enum class ReplyLineKind { last, continuation, invalid };

struct ReplyLine {
    ReplyLineKind kind = ReplyLineKind::invalid;
    int code = 0;
    std::string_view text;  // after the code and its separator
};

// Three digits (2 to 5, then 0 to 5, then 0 to 9), then " " or "-" or the end of the line.
ReplyLine classifyReplyLine(std::string_view line);

struct Reply {
    int code = 0;
    std::vector<std::string> lines;  // the text of each line
};

enum class ReplyStatus { ok, failed, timedOut, invalid };

// Reads one reply before the deadline. Every line of a multi-line reply must carry the same
// code; anything else is an invalid reply, whose last line is then the offending line whole
// (empty when it was too long, or one line too many).
ReplyStatus readReply(LineReader& reader, Clock::time_point deadline, Reply& reply);

}  // namespace vmail
