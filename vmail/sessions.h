// The open connections behind the C interface's handles: small integers from 1 upward.
#pragma once

#include <cstdint>
#include <memory>

#include "vmail/pop3_client.h"
#include "vmail/smtp_client.h"

namespace vmail {

constexpr std::int32_t kNoHandle = -1;
constexpr std::int32_t kMaxSessions = 64;

// Takes the session over and returns its handle, or -1 when every handle is in use.
std::int32_t addSession(std::unique_ptr<Pop3Session> session);
std::int32_t addSession(std::unique_ptr<SmtpSession> session);

// The session of a handle, removed from the table: the caller owns it until it gives it back
// with addSession... or lets it go. Nothing for an unknown handle or one of the other kind.
std::unique_ptr<Pop3Session> takePop3Session(std::int32_t handle);
std::unique_ptr<SmtpSession> takeSmtpSession(std::int32_t handle);

// Uses a session in place; null for an unknown handle or one of the other kind.
Pop3Session* findPop3Session(std::int32_t handle);
SmtpSession* findSmtpSession(std::int32_t handle);

}  // namespace vmail
