// POP3 steps.
#include "vmail/pop3_client.h"

#include "vmail/md5.h"
#include "vmail/results.h"

namespace vmail {

namespace {

// A line the client sends must be a single line: a user name or password holding a line
// break would start a second command.
bool fitsOnOneLine(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

constexpr int kQuitReplyMs = 5000;

// Reads one status line: 0 for +OK, kResultLoginRefused for -ERR, otherwise the failure,
// after which the session is broken.
std::int32_t readStatus(Pop3Session& session, int timeoutMs, std::string* line = nullptr)
{
    std::string text;
    LineStatus status =
        session.reader.readLine(text, kMaxPop3Line, Clock::now() + std::chrono::milliseconds(timeoutMs));
    if (status != LineStatus::ok)
        session.broken = true;
    switch (status) {
    case LineStatus::ok: break;
    case LineStatus::timedOut: return kResultTimeout;
    case LineStatus::failed: return kResultConnection;
    case LineStatus::tooLong: return kResultOther;
    }
    if (line)
        *line = text;
    switch (classifyPop3Line(text)) {
    case Pop3Status::positive: return 0;
    case Pop3Status::negative: return kResultLoginRefused;
    case Pop3Status::invalid: session.broken = true; return kResultOther;
    }
    return kResultOther;
}

std::int32_t command(Pop3Session& session, const std::string& line, int timeoutMs,
                     std::string* reply = nullptr)
{
    if (session.broken)
        return kResultConnection;
    NetStatus status = session.socket.sendAll(line + "\r\n", timeoutMs);
    if (status != NetStatus::ok)
        session.broken = true;
    if (status == NetStatus::timedOut)
        return kResultTimeout;
    if (status != NetStatus::ok)
        return kResultConnection;
    return readStatus(session, timeoutMs, reply);
}

constexpr std::size_t kMaxCapabilities = 64;  // real servers list about ten

// The lines of a multi-line reply up to its "." (RFC 1939 3), with the dot-stuffing undone.
std::int32_t readListing(Pop3Session& session, std::vector<std::string>& lines)
{
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options().replyMs);
    for (;;) {
        std::string line;
        LineStatus status = session.reader.readLine(line, kMaxPop3Line, deadline);
        if (status != LineStatus::ok) {
            session.broken = true;
            return status == LineStatus::timedOut ? kResultTimeout
                   : status == LineStatus::failed ? kResultConnection
                                                  : kResultOther;
        }
        if (line == ".")
            return 0;
        if (lines.size() == kMaxCapabilities) {
            session.broken = true;
            return kResultOther;
        }
        lines.push_back(line.compare(0, 1, ".") == 0 ? line.substr(1) : line);
    }
}

// Ends a session whose move to TLS failed: nothing more is said on it.
std::int32_t abandon(Pop3Session& session, NetStatus status)
{
    session.broken = true;
    session.socket.close();
    return status == NetStatus::timedOut ? kResultTimeout : kResultConnection;
}

std::int32_t upgrade(Pop3Session& session, const std::string& host)
{
    std::int32_t result = command(session, "CAPA", options().replyMs);
    if (result == kResultLoginRefused)
        return 0;  // a server from before CAPA: it has no STLS either
    if (result != 0)
        return result;
    std::vector<std::string> capabilities;
    result = readListing(session, capabilities);
    if (result != 0 || !offersStls(capabilities))
        return result;
    result = command(session, "STLS", options().replyMs);
    if (result == kResultLoginRefused)
        return abandon(session, NetStatus::failed);  // offered, then declined: no login in the clear
    if (result != 0)
        return result;
    if (session.reader.hasBuffered())
        return abandon(session, NetStatus::failed);
    NetStatus status = session.socket.startTls(host, options().replyMs);
    return status == NetStatus::ok ? 0 : abandon(session, status);
}

}  // namespace

Pop3Status classifyPop3Line(std::string_view line)
{
    auto startsWith = [&](std::string_view word) {
        return line.compare(0, word.size(), word) == 0 &&
               (line.size() == word.size() || line[word.size()] == ' ');
    };
    if (startsWith("+OK"))
        return Pop3Status::positive;
    if (startsWith("-ERR"))
        return Pop3Status::negative;
    return Pop3Status::invalid;
}

std::optional<std::string> apopTimestamp(std::string_view greeting)
{
    std::size_t open = greeting.find('<');
    if (open == std::string_view::npos)
        return std::nullopt;
    std::size_t close = greeting.find('>', open);
    if (close == std::string_view::npos)
        return std::nullopt;
    std::string_view stamp = greeting.substr(open, close - open + 1);
    if (stamp.find('@') == std::string_view::npos || stamp.find('<', 1) != std::string_view::npos)
        return std::nullopt;
    for (char c : stamp) {
        if (c <= 0x20 || c >= 0x7f)
            return std::nullopt;
    }
    return std::string(stamp);
}

std::int32_t pop3Open(Pop3Session& session, const std::string& host, int port)
{
    NetStatus status = session.socket.connect(host, port, options().connectMs);
    if (status != NetStatus::ok)
        return status == NetStatus::timedOut ? kResultTimeout : kResultConnection;
    std::int32_t result = readStatus(session, options().replyMs, &session.greeting);
    if (result == 0)
        result = upgrade(session, host);
    return result == kResultLoginRefused ? kResultOther : result;
}

bool offersStls(const std::vector<std::string>& capabilities)
{
    for (const std::string& line : capabilities) {
        std::size_t end = line.find(' ');
        std::string name = line.substr(0, end);
        for (char& c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        if (name == "STLS")
            return true;
    }
    return false;
}

std::int32_t pop3Login(Pop3Session& session, const std::string& user, const std::string& password,
                       bool apop)
{
    if (!session.socket.isOpen())
        return kResultConnection;
    if (!fitsOnOneLine(user) || !fitsOnOneLine(password) || user.find(' ') != std::string::npos)
        return kResultLoginRefused;
    std::int32_t result;
    if (apop) {
        std::optional<std::string> stamp = apopTimestamp(session.greeting);
        if (!stamp)
            return kResultLoginRefused;
        result = command(session, "APOP " + user + " " + toHex(md5(*stamp + password)),
                         options().replyMs);
    } else {
        result = command(session, "USER " + user, options().replyMs);
        if (result == 0)
            result = command(session, "PASS " + password, options().replyMs);
    }
    return result == 0 ? 1 : result;
}

std::int32_t pop3Quit(Pop3Session& session)
{
    // A broken dialogue gets no QUIT, so a dead server does not hold the program again.
    std::int32_t result = kResultConnection;
    if (session.socket.isOpen() && !session.broken)
        result = command(session, "QUIT", kQuitReplyMs);
    session.socket.close();
    if (result == 0)
        return 1;
    return result == kResultLoginRefused ? kResultOther : result;
}

}  // namespace vmail
