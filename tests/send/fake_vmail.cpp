// The scripted mail library.
#include "tests/send/fake_vmail.h"

#include "vmail/vmail.h"

FakeVmail fakeVmail;

namespace {

std::string text(const char* value) { return value ? std::string(value) : std::string("null"); }

template <typename... Args>
std::string call(const char* name, Args... args)
{
    std::string line = std::string(name) + "(";
    bool first = true;
    ((line += (first ? "" : ",") + args, first = false), ...);
    return line + ")";
}

std::int32_t failure(char* buffer, std::int32_t size)
{
    std::string line = fakeVmail.failureLine.substr(0, static_cast<std::size_t>(size) - 1);
    line.copy(buffer, line.size());
    buffer[line.size()] = '\0';
    return fakeVmail.failureKind;
}

}  // namespace

std::int32_t FakeVmail::answer(const std::string& name)
{
    std::deque<std::int32_t>& queue = results[name];
    if (queue.empty())
        return defaults[name];
    std::int32_t value = queue.front();
    queue.pop_front();
    return value;
}

std::vector<std::string> FakeVmail::names() const
{
    std::vector<std::string> names;
    for (const std::string& line : calls)
        names.push_back(line.substr(0, line.find('(')));
    return names;
}

extern "C" {

int32_t VMAIL_CALL VMailInitializeWinSock(void)
{
    fakeVmail.calls.push_back("VMailInitializeWinSock()");
    return fakeVmail.answer("VMailInitializeWinSock");
}

void VMAIL_CALL VMailEndWinSock(void) { fakeVmail.calls.push_back("VMailEndWinSock()"); }

int32_t VMAIL_CALL VMailPop3ConnectPortNo(const char* host, int32_t port)
{
    fakeVmail.calls.push_back(call("VMailPop3ConnectPortNo", text(host), std::to_string(port)));
    return fakeVmail.answer("VMailPop3ConnectPortNo");
}

int32_t VMAIL_CALL VMailPop3Authenticate(int32_t handle, const char* user, const char* password,
                                         int32_t apop)
{
    fakeVmail.calls.push_back(call("VMailPop3Authenticate", std::to_string(handle), text(user),
                                   text(password), std::to_string(apop)));
    return fakeVmail.answer("VMailPop3Authenticate");
}

int32_t VMAIL_CALL VMailPop3Close(int32_t handle)
{
    fakeVmail.calls.push_back(call("VMailPop3Close", std::to_string(handle)));
    return fakeVmail.answer("VMailPop3Close");
}

int32_t VMAIL_CALL VMailSmtpSendMail(const char* host, const char* to, const char* cc,
                                     const char* bcc, const char* from, const char* subject,
                                     const char* body, const char* extraHeader,
                                     const char* attachment, int32_t sendOptions)
{
    fakeVmail.calls.push_back(call("VMailSmtpSendMail", text(host), text(to), text(cc), text(bcc),
                                   text(from), text(subject), text(body), text(extraHeader),
                                   text(attachment), std::to_string(sendOptions)));
    return fakeVmail.answer("VMailSmtpSendMail");
}

int32_t VMAIL_CALL VMailSmtpConnectPortNo(const char* host, int32_t port)
{
    fakeVmail.calls.push_back(call("VMailSmtpConnectPortNo", text(host), std::to_string(port)));
    return fakeVmail.answer("VMailSmtpConnectPortNo");
}

int32_t VMAIL_CALL VMailSmtpAuthenticate(int32_t handle, const char* host, const char* user,
                                         const char* password, int32_t mechanisms)
{
    fakeVmail.calls.push_back(call("VMailSmtpAuthenticate", std::to_string(handle), text(host),
                                   text(user), text(password), std::to_string(mechanisms)));
    return fakeVmail.answer("VMailSmtpAuthenticate");
}

int32_t VMAIL_CALL VMailSmtpSendMailEx(int32_t handle, const char* to, const char* cc,
                                       const char* bcc, const char* from, const char* subject,
                                       const char* body, const char* extraHeader,
                                       int32_t reserved1, int32_t reserved2, int32_t reserved3)
{
    fakeVmail.calls.push_back(call("VMailSmtpSendMailEx", std::to_string(handle), text(to),
                                   text(cc), text(bcc), text(from), text(subject), text(body),
                                   text(extraHeader), std::to_string(reserved1),
                                   std::to_string(reserved2), std::to_string(reserved3)));
    return fakeVmail.answer("VMailSmtpSendMailEx");
}

void VMAIL_CALL VMailSmtpClose(int32_t handle)
{
    fakeVmail.calls.push_back(call("VMailSmtpClose", std::to_string(handle)));
}

int32_t VMAIL_CALL VMailLastError(int32_t handle, char* buffer, int32_t size)
{
    fakeVmail.calls.push_back(call("VMailLastError", std::to_string(handle)));
    return failure(buffer, size);
}

int32_t VMAIL_CALL VMailLastSendError(char* buffer, int32_t size)
{
    fakeVmail.calls.push_back("VMailLastSendError()");
    return failure(buffer, size);
}

}  // extern "C"
