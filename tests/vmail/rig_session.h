// The sessions that the tests against the rig's real servers make again and again: a POP3 login,
// and a send through SMTP AUTH seen delivered.
#pragma once

#include <cstdint>
#include <string>

#include "tests/vmail/rig_env.h"

// Connects to host at the rig's port named portKey, logs in as the rig's user allowing the
// VMAIL_AUTH_ mechanisms and sends one mail under a subject of its own from `from` (the rig's
// address when empty) to the rig's recipient: every step must succeed and the mail arrive. The
// delivered mail, empty when none arrived.
std::string sendAuthenticated(const RigEnv& env, const std::string& host, const char* portKey,
                              int mechanisms, const std::string& from = "",
                              const std::string& body = "body");

// The SASL mechanism Postfix logged for the session that took the delivered mail, found by the
// queue id in the mail's Received header, so that no other session's line counts; empty when
// the log names none within a few seconds.
std::string saslMethodOf(const RigEnv& env, const std::string& delivered);

// Connects to host at the rig's POP3 port, logs in (APOP when apop is 1) and closes: the login's
// result. A close after a login must be clean.
int32_t pop3Login(const RigEnv& env, const std::string& host, const std::string& user,
                  const std::string& password, int32_t apop);
