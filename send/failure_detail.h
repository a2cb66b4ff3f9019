// Why a send failed, in a line a user can act on: shown beside the status line, whose text
// stays the coarse one it always was.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"

// The steps of a send whose failure the mail library explains.
enum class SendStep { pop3Connect, pop3Login, smtpConnect, smtpLogin, smtpSend };

// The detail of a failure of kind (VMAIL_FAILURE_...) with the library's line: the server's
// reply behind the name of the step it refused ("SMTP認証: 535 5.7.8 ..."), a reason of the
// library's own as it is; on a second line, advice for the two refusals a user can do something
// about: a provider that takes no password logins any more and a certificate issued to another
// name. Empty when nothing failed.
Text failureDetail(SendStep step, std::int32_t kind, std::string_view line);
