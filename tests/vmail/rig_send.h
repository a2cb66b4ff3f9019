// The send that the tests against the rig's real servers make again and again: connect, log in
// with SMTP AUTH, send one mail and see it delivered.
#pragma once

#include <string>

#include "tests/vmail/rig_env.h"

// Connects to host at the rig's port named portKey, logs in as the rig's user allowing the
// VMAIL_AUTH_ mechanisms and sends one mail under a subject of its own from `from` (the rig's
// address when empty) to the rig's recipient: every step must succeed and the mail arrive.
void sendAuthenticated(const RigEnv& env, const std::string& host, const char* portKey,
                       int mechanisms, const std::string& from = "",
                       const std::string& body = "body");
