// SMTP AUTH (RFC 4954) with the mechanisms CRAM-MD5 (RFC 2195), LOGIN and PLAIN (RFC 4616),
// chosen by preference from what the server offers and the caller allows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vmail/smtp_client.h"
#include "vmail/vmail.h"

namespace vmail {

constexpr unsigned kPlainBit = VMAIL_AUTH_PLAIN;
constexpr unsigned kLoginBit = VMAIL_AUTH_LOGIN;
constexpr unsigned kCramMd5Bit = VMAIL_AUTH_CRAM_MD5;

struct Credentials {
    std::string user;
    std::string password;
};

// The name of the first mechanism, in the order CRAM-MD5, LOGIN, PLAIN, that the server
// offers and the set allows; empty when there is none.
std::string chooseMechanism(const std::vector<std::string>& offered, unsigned allowed);

// Authenticates with the chosen mechanism: 0 when the server accepted (235), -504 when no
// mechanism is in common, otherwise a negative result as for every SMTP step.
std::int32_t smtpAuthenticate(SmtpSession& session, const Credentials& credentials, unsigned allowed);

}  // namespace vmail
