// POP3 steps.
#include "vmail/pop3_client.h"

#include "vmail/md5.h"
#include "vmail/options.h"
#include "vmail/results.h"

namespace vmail {

namespace {

// A line the client sends must be a single line: a user name or password holding a line
// break would start a second command.
bool fitsOnOneLine(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The result of a line that did not arrive whole within timeoutMs, recorded; the dialogue is
// broken after it.
std::int32_t lineFailure(Pop3Session& session, LineStatus status, int timeoutMs)
{
    session.broken = true;
    switch (status) {
    case LineStatus::tooLong:
        note(session, garbledReply({}));
        return kResultOther;  // the server is not speaking POP3
    case LineStatus::timedOut:
        note(session, noAnswer(Waiting::reply, timeoutMs));
        return kResultTimeout;
    case LineStatus::ok:
    case LineStatus::failed: break;
    }
    note(session, connectionClosed());
    return kResultConnection;
}

// Reads one status line within timeoutMs: 0 for +OK, kResultLoginRefused for -ERR (which the
// caller records, or not), otherwise the failure, recorded, after which the session is broken.
std::int32_t readStatus(Pop3Session& session, int timeoutMs, std::string* line = nullptr)
{
    std::string text;
    LineStatus status = session.reader.readLine(text, kMaxPop3Line, deadlineIn(timeoutMs));
    if (status != LineStatus::ok)
        return lineFailure(session, status, timeoutMs);
    if (line)
        *line = text;
    switch (classifyPop3Line(text)) {
    case Pop3Status::positive: return 0;
    case Pop3Status::negative: return kResultLoginRefused;
    case Pop3Status::invalid: break;
    }
    session.broken = true;
    note(session, garbledReply(text));
    return kResultOther;
}

std::int32_t command(Pop3Session& session, const std::string& line, std::string* reply = nullptr)
{
    std::int32_t result = sendText(session, line + "\r\n", options().replyMs);
    return result != 0 ? result : readStatus(session, options().replyMs, reply);
}

// A login command, its refusal recorded in the server's words.
std::int32_t loginCommand(Pop3Session& session, const std::string& line)
{
    std::string answer;
    std::int32_t result = command(session, line, &answer);
    if (result == kResultLoginRefused)
        note(session, pop3Refusal(answer));
    return result;
}

constexpr std::size_t kMaxCapabilities = 64;  // real servers list about ten

// The lines of a multi-line reply up to its "." (RFC 1939 3), with the dot-stuffing undone.
std::int32_t readListing(Pop3Session& session, std::vector<std::string>& lines)
{
    const int timeoutMs = options().replyMs;
    Clock::time_point deadline = deadlineIn(timeoutMs);
    for (;;) {
        std::string line;
        LineStatus status = session.reader.readLine(line, kMaxPop3Line, deadline);
        if (status != LineStatus::ok)
            return lineFailure(session, status, timeoutMs);
        if (line == ".")
            return 0;
        if (lines.size() == kMaxCapabilities)
            return lineFailure(session, LineStatus::tooLong, timeoutMs);  // no server lists so many
        lines.push_back(line.compare(0, 1, ".") == 0 ? line.substr(1) : line);
    }
}

std::int32_t upgrade(Pop3Session& session, const std::string& host)
{
    std::int32_t result = command(session, "CAPA");
    if (result == kResultLoginRefused)
        return 0;  // a server from before CAPA: it has no STLS either
    if (result != 0)
        return result;
    std::vector<std::string> capabilities;
    result = readListing(session, capabilities);
    if (result != 0 || !offersStls(capabilities))
        return result;
    std::string answer;
    result = command(session, "STLS", &answer);
    if (result == kResultLoginRefused) {
        // Offered, then declined: no login in the clear.
        note(session, tlsRefused("STLS", answer));
        return abandon(session, NetStatus::failed);
    }
    return result != 0 ? result : moveToTls(session, host, options().replyMs);
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
    std::int32_t result = connectTo(session, host, port);
    if (result != 0)
        return result;
    result = readStatus(session, options().replyMs, &session.greeting);
    if (result == kResultLoginRefused)
        note(session, pop3Refusal(session.greeting));
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
    if (!fitsOnOneLine(user) || !fitsOnOneLine(password) || user.find(' ') != std::string::npos) {
        note(session, badCredentials());
        return kResultLoginRefused;
    }
    std::int32_t result;
    if (apop) {
        std::optional<std::string> stamp = apopTimestamp(session.greeting);
        if (!stamp) {
            note(session, noApopTimestamp());
            return kResultLoginRefused;
        }
        result = loginCommand(session, "APOP " + user + " " + toHex(md5(*stamp + password)));
    } else {
        result = loginCommand(session, "USER " + user);
        if (result == 0)
            result = loginCommand(session, "PASS " + password);
    }
    return result == 0 ? 1 : result;
}

std::int32_t pop3Quit(Pop3Session& session)
{
    std::int32_t result =
        quit(session, [&](int timeoutMs) { return readStatus(session, timeoutMs); });
    if (result == 0)
        return 1;
    return result == kResultLoginRefused ? kResultOther : result;
}

}  // namespace vmail
