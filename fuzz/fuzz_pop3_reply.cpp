// POP3 replies and greetings. Every line of the input goes through classifyPop3Line and
// apopTimestamp, each compared with a model of the header's rules written here, and through
// serverText, which must make it showable; the lines as a whole go through offersStls. Then the
// input is a server's side of a dialogue on a loopback connection: greeting, CAPA listing and
// the answer to the login, read by pop3Open and pop3Login (APOP when the first byte is odd) as
// they are at a send, each failed step with a showable reason.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "failure_check.h"
#include "loopback.h"
#include "vmail/pop3_client.h"
#include "vmail/results.h"
#include "vmail/server_text.h"

namespace {

using vmail::Pop3Status;

Pop3Status modelStatus(std::string_view line)
{
    for (std::string_view word : {std::string_view("+OK"), std::string_view("-ERR")}) {
        if (line.substr(0, word.size()) == word && (line.size() == word.size() || line[word.size()] == ' '))
            return word == "+OK" ? Pop3Status::positive : Pop3Status::negative;
    }
    return Pop3Status::invalid;
}

// The first "<" and the first ">" after it; the stamp between counts when it holds an "@",
// no second "<" and only printable ASCII without blanks (a character class without "<" and ">").
std::optional<std::string> modelStamp(std::string_view greeting)
{
    static const std::regex kStamp("<[!-;=?-~]*@[!-;=?-~]*>");
    std::string_view rest = greeting.substr(std::min(greeting.find('<'), greeting.size()));
    std::string candidate(rest.substr(0, rest.find('>') + 1));
    if (candidate.empty() || candidate.back() != '>' || !std::regex_match(candidate, kStamp))
        return std::nullopt;
    return candidate;
}

bool modelStls(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        std::string name = line.substr(0, line.find(' '));
        if (name.size() == 4 && (name[0] | 0x20) == 's' && (name[1] | 0x20) == 't' &&
            (name[2] | 0x20) == 'l' && (name[3] | 0x20) == 's')
            return true;
    }
    return false;
}

// Lines split at LF with one CR before it dropped, as the line reader gives them.
std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        std::string_view line = bytes.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r' && end != std::string_view::npos)
            line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    boundLoopbackWaits();
    if (size > vmail::kMaxPop3Line * 64)
        return -1;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> lines = splitLines(bytes);
    for (const std::string& line : lines) {
        CHECK(vmail::classifyPop3Line(line) == modelStatus(line));
        std::optional<std::string> stamp = vmail::apopTimestamp(line);
        CHECK(stamp == modelStamp(line));
        if (stamp) {
            CHECK(stamp->size() >= 3 && stamp->front() == '<' && stamp->back() == '>');
            CHECK(line.find(*stamp) != std::string::npos);
        }
        checkShowable(vmail::serverText(line), vmail::kMaxServerText);
    }
    CHECK(vmail::offersStls(lines) == modelStls(lines));

    // The dialogue. The client's commands go unanswered except by what the input holds, so
    // every step ends at the input's end at the latest.
    const bool apop = size > 0 && (data[0] & 1) != 0;
    LoopbackPeer peer(bytes.substr(size > 0 ? 1 : 0));
    vmail::Pop3Session session;
    std::int32_t opened = vmail::pop3Open(session, "127.0.0.1", peer.port());
    CHECK(opened == 0 || opened == vmail::kResultConnection || opened == vmail::kResultOther);
    checkFailure(session.failure, opened != 0);
    if (opened == 0) {
        CHECK(vmail::classifyPop3Line(session.greeting) == Pop3Status::positive);
        std::int32_t login = vmail::pop3Login(session, "user", "secret", apop);
        CHECK(login == 1 || login == vmail::kResultConnection ||
              login == vmail::kResultLoginRefused || login == vmail::kResultOther);
        checkFailure(session.failure, login != 1);
        if (login == 1 && apop)
            CHECK(vmail::apopTimestamp(session.greeting).has_value());
        vmail::pop3Quit(session);
    }
    session.socket.close();
    return 0;
}
