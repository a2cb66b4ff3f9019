// A whole SMTP dialogue as the server's side of it arrives: greeting, EHLO (or HELO) reply,
// AUTH with its challenges, MAIL, RCPT, DATA and the end of the message, read by the real
// client steps over a loopback connection. The first input byte picks the AUTH mechanisms the
// caller allows and whether there is a second recipient; the rest is what the server sends,
// all of it at once, as a pipelining server may. Checks that each step's result is one the
// client documents, that a failed step, and only a failed one, records a reason the program can
// show, and that the offered mechanisms are kept in upper case.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "check.h"
#include "failure_check.h"
#include "loopback.h"
#include "vmail/results.h"
#include "vmail/sasl.h"
#include "vmail/smtp_client.h"

namespace {

// 0, a broken connection, a time-out, or a reply code negated.
bool isStepResult(std::int32_t result)
{
    return result == 0 || result == vmail::kResultConnection || result == vmail::kResultTimeout ||
           (result <= -200 && result >= -559);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    boundLoopbackWaits();
    if (size == 0 || size - 1 > LoopbackPeer::kMaxBytes)
        return -1;
    const std::uint8_t flags = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    LoopbackPeer peer(bytes);
    vmail::SmtpSession session;
    std::int32_t result = vmail::smtpOpen(session, "127.0.0.1", peer.port());
    CHECK(isStepResult(result));
    checkFailure(session.failure, result != 0);
    if (result == 0) {
        for (const std::string& mechanism : session.authMechanisms) {
            for (char c : mechanism)
                CHECK(!(c >= 'a' && c <= 'z'));
        }
        const unsigned allowed = flags & 7;
        if (allowed != 0) {
            result = vmail::smtpAuthenticate(session, {"taro", "secret"}, allowed);
            CHECK(isStepResult(result) || result == vmail::kResultNoMechanism);
            checkFailure(session.failure, result != 0);
        }
    }
    if (result == 0) {
        vmail::Envelope envelope{"taro@example.jp", {"hanako@example.ne.jp"}};
        if (flags & 8)
            envelope.recipients.push_back("boss@example.jp");
        result = vmail::smtpSendMessage(session, envelope, "Subject: x\r\n\r\n.line\r\n");
        CHECK(isStepResult(result));
        checkFailure(session.failure, result != 0);
    }
    const vmail::Failure before = session.failure;
    vmail::smtpQuit(session);
    CHECK(std::memcmp(&before, &session.failure, sizeof before) == 0);
    return 0;
}
