// A scripted stand-in for the mail library's C interface, linked into the native tests of the
// send procedure in place of the real one.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

struct FakeVmail {
    // Every call in order, written as "Name(arg,arg,...)"; null texts as "null".
    std::vector<std::string> calls;
    // Results handed out per operation, first to last; when a queue is empty the default below
    // answers.
    std::map<std::string, std::deque<std::int32_t>> results;
    std::map<std::string, std::int32_t> defaults = {
        {"VMailInitializeWinSock", 1}, {"VMailPop3ConnectPortNo", 3},
        {"VMailPop3Authenticate", 1},  {"VMailPop3Close", 1},
        {"VMailSmtpSendMail", 0},      {"VMailSmtpConnectPortNo", 5},
        {"VMailSmtpAuthenticate", 1},  {"VMailSmtpSendMailEx", 0},
    };

    // What VMailLastError and VMailLastSendError report of a failure (recorded among the calls).
    std::int32_t failureKind = 1;  // VMAIL_FAILURE_REPLY
    std::string failureLine = "550 5.7.1 scripted refusal";

    std::int32_t answer(const std::string& name);
    // The names of the calls only, in order.
    std::vector<std::string> names() const;
};

extern FakeVmail fakeVmail;
