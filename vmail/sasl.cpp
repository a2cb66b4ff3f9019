// SMTP AUTH mechanisms.
#include "vmail/sasl.h"

#include <algorithm>
#include <optional>

#include "vmail/base64.h"
#include "vmail/md5.h"
#include "vmail/results.h"

namespace vmail {

namespace {

using Exchange = std::int32_t (*)(SmtpSession&, const Credentials&);

// The server's challenge after "334 ", decoded; nothing when it is not base64.
std::optional<std::string> challengeOf(const Reply& reply)
{
    return base64Decode(reply.lines.empty() ? std::string() : reply.lines.back());
}

// Ends an exchange: the reply to the last client line must be 235.
std::int32_t finish(SmtpSession& session, const std::string& line)
{
    Reply reply;
    std::int32_t result = smtpCommand(session, line, reply);
    return result != 0 ? result : expectCode(session, reply, 235);
}

// A line answering a challenge that the client cannot use: "*" cancels the exchange
// (RFC 4954 4), and the attempt counts as refused.
std::int32_t cancel(SmtpSession& session, const Reply& challenge)
{
    note(session, replyFailure(challenge));  // a 334 that makes no sense
    Reply reply;
    std::int32_t result = smtpCommand(session, "*", reply);
    return result != 0 ? result : kResultBadParameter;
}

std::int32_t authCramMd5(SmtpSession& session, const Credentials& credentials)
{
    Reply reply;
    std::int32_t result = smtpCommand(session, "AUTH CRAM-MD5", reply);
    if (result == 0)
        result = expectCode(session, reply, 334);
    if (result != 0)
        return result;
    std::optional<std::string> challenge = challengeOf(reply);
    if (!challenge || challenge->empty())
        return cancel(session, reply);
    std::string response = credentials.user + " " + toHex(hmacMd5(credentials.password, *challenge));
    return finish(session, base64Encode(response));
}

std::int32_t authLogin(SmtpSession& session, const Credentials& credentials)
{
    Reply reply;
    std::int32_t result = smtpCommand(session, "AUTH LOGIN", reply);
    if (result == 0)
        result = expectCode(session, reply, 334);
    if (result == 0)
        result = smtpCommand(session, base64Encode(credentials.user), reply);
    if (result == 0)
        result = expectCode(session, reply, 334);
    if (result != 0)
        return result;
    return finish(session, base64Encode(credentials.password));
}

std::int32_t authPlain(SmtpSession& session, const Credentials& credentials)
{
    // The initial response saves a round trip: authorization identity empty, then the
    // user and the password, each after a NUL.
    std::string message;
    message += '\0';
    message += credentials.user;
    message += '\0';
    message += credentials.password;
    return finish(session, "AUTH PLAIN " + base64Encode(message));
}

struct Mechanism {
    const char* name;
    unsigned bit;
    Exchange exchange;
};

constexpr Mechanism kMechanisms[] = {  // in order of preference
    {"CRAM-MD5", kCramMd5Bit, authCramMd5},
    {"LOGIN", kLoginBit, authLogin},
    {"PLAIN", kPlainBit, authPlain},
};

}  // namespace

std::string chooseMechanism(const std::vector<std::string>& offered, unsigned allowed)
{
    for (const Mechanism& mechanism : kMechanisms) {
        if ((allowed & mechanism.bit) &&
            std::find(offered.begin(), offered.end(), mechanism.name) != offered.end())
            return mechanism.name;
    }
    return std::string();
}

std::int32_t smtpAuthenticate(SmtpSession& session, const Credentials& credentials, unsigned allowed)
{
    std::string chosen = chooseMechanism(session.authMechanisms, allowed);
    for (const Mechanism& mechanism : kMechanisms) {
        if (chosen == mechanism.name)
            return mechanism.exchange(session, credentials);
    }
    note(session, noMechanism(session.authMechanisms));
    return kResultNoMechanism;
}

}  // namespace vmail
