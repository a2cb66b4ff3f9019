// Reading SMTP replies.
#include "vmail/smtp_reply.h"

#include <utility>

namespace vmail {

ReplyLine classifyReplyLine(std::string_view line)
{
    ReplyLine result;
    if (line.size() < 3)
        return result;
    const char a = line[0], b = line[1], c = line[2];
    if (a < '2' || a > '5' || b < '0' || b > '5' || c < '0' || c > '9')
        return result;
    result.code = (a - '0') * 100 + (b - '0') * 10 + (c - '0');
    if (line.size() == 3) {
        result.kind = ReplyLineKind::last;
        return result;
    }
    if (line[3] == ' ')
        result.kind = ReplyLineKind::last;
    else if (line[3] == '-')
        result.kind = ReplyLineKind::continuation;
    else
        return ReplyLine();
    result.text = line.substr(4);
    return result;
}

ReplyStatus readReply(LineReader& reader, Clock::time_point deadline, Reply& reply)
{
    reply = Reply();
    std::string line;
    while (reply.lines.size() < kMaxReplyLines) {
        switch (reader.readLine(line, kMaxReplyLine, deadline)) {
        case LineStatus::ok: break;
        case LineStatus::timedOut: return ReplyStatus::timedOut;
        case LineStatus::tooLong: reply.lines.emplace_back(); return ReplyStatus::invalid;
        case LineStatus::failed: return ReplyStatus::failed;
        }
        ReplyLine parsed = classifyReplyLine(line);
        if (parsed.kind == ReplyLineKind::invalid ||
            (!reply.lines.empty() && parsed.code != reply.code)) {
            reply.lines.push_back(std::move(line));
            return ReplyStatus::invalid;
        }
        reply.code = parsed.code;
        reply.lines.emplace_back(parsed.text);
        if (parsed.kind == ReplyLineKind::last)
            return ReplyStatus::ok;
    }
    reply.lines.emplace_back();
    return ReplyStatus::invalid;
}

}  // namespace vmail
