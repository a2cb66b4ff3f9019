// The mail library's operations as velmor.exe calls them: VMAIL.DLL is loaded at the first send,
// not at start-up, where it and what it brings along (Winsock, Schannel, CryptoAPI) would delay
// the Main window. Where the DLL is missing, cannot be loaded or lacks an operation, every
// operation answers as the library does when the socket layer does not start, so that the send
// fails the way a failed socket start does: its text in the status line and a failure record.
#include <windows.h>

#include "common/dll_function.h"
#include "vmail/vmail.h"

namespace {

constexpr char kVmailDll[] = "VMAIL.DLL";

struct VmailFunctions {
    decltype(&VMailInitializeWinSock) initializeWinSock = nullptr;
    decltype(&VMailEndWinSock) endWinSock = nullptr;
    decltype(&VMailPop3ConnectPortNo) pop3Connect = nullptr;
    decltype(&VMailPop3Authenticate) pop3Authenticate = nullptr;
    decltype(&VMailPop3Close) pop3Close = nullptr;
    decltype(&VMailSmtpSendMail) smtpSendMail = nullptr;
    decltype(&VMailSmtpConnectPortNo) smtpConnect = nullptr;
    decltype(&VMailSmtpAuthenticate) smtpAuthenticate = nullptr;
    decltype(&VMailSmtpSendMailEx) smtpSendMailEx = nullptr;
    decltype(&VMailSmtpClose) smtpClose = nullptr;
    // Not in every copy of the library: without them a failure has no detail.
    decltype(&VMailLastError) lastError = nullptr;
    decltype(&VMailLastSendError) lastSendError = nullptr;
};

// Every operation of the loaded DLL, or none.
VmailFunctions vmail;

template <typename Function>
bool find(HMODULE module, const char* name, Function& function)
{
    function = moduleFunction<Function>(module, name);
    return function != nullptr;
}

// Loads the DLL from the program's own folder unless it is loaded already (never one of that
// name from the current folder); a failed attempt is tried again at the next send, so a DLL
// put back while the program runs is found.
bool loadVmail()
{
    if (vmail.initializeWinSock)
        return true;
    HMODULE module = loadProgramLibrary(kVmailDll);
    if (!module)
        return false;
    VmailFunctions found;
    if (find(module, "VMailInitializeWinSock", found.initializeWinSock) &&
        find(module, "VMailEndWinSock", found.endWinSock) &&
        find(module, "VMailPop3ConnectPortNo", found.pop3Connect) &&
        find(module, "VMailPop3Authenticate", found.pop3Authenticate) &&
        find(module, "VMailPop3Close", found.pop3Close) &&
        find(module, "VMailSmtpSendMail", found.smtpSendMail) &&
        find(module, "VMailSmtpConnectPortNo", found.smtpConnect) &&
        find(module, "VMailSmtpAuthenticate", found.smtpAuthenticate) &&
        find(module, "VMailSmtpSendMailEx", found.smtpSendMailEx) &&
        find(module, "VMailSmtpClose", found.smtpClose)) {
        find(module, "VMailLastError", found.lastError);
        find(module, "VMailLastSendError", found.lastSendError);
        vmail = found;
        return true;
    }
    FreeLibrary(module);
    return false;
}

// What a library that keeps no detail of a failure answers: none, and an empty line.
int32_t noDetail(char* buffer, int32_t size)
{
    if (buffer && size > 0)
        *buffer = '\0';
    return VMAIL_FAILURE_NONE;
}

}  // namespace

extern "C" {

int32_t VMAIL_CALL VMailInitializeWinSock(void)
{
    return loadVmail() ? vmail.initializeWinSock() : 0;
}

void VMAIL_CALL VMailEndWinSock(void)
{
    if (vmail.endWinSock)
        vmail.endWinSock();
}

int32_t VMAIL_CALL VMailPop3ConnectPortNo(const char* host, int32_t port)
{
    return vmail.pop3Connect ? vmail.pop3Connect(host, port) : -1;
}

int32_t VMAIL_CALL VMailPop3Authenticate(int32_t handle, const char* user, const char* password,
                                         int32_t apop)
{
    return vmail.pop3Authenticate ? vmail.pop3Authenticate(handle, user, password, apop) : -1;
}

int32_t VMAIL_CALL VMailPop3Close(int32_t handle)
{
    return vmail.pop3Close ? vmail.pop3Close(handle) : 0;
}

int32_t VMAIL_CALL VMailSmtpSendMail(const char* host, const char* to, const char* cc,
                                     const char* bcc, const char* from, const char* subject,
                                     const char* body, const char* extraHeader,
                                     const char* attachment, int32_t sendOptions)
{
    return vmail.smtpSendMail ? vmail.smtpSendMail(host, to, cc, bcc, from, subject, body,
                                                   extraHeader, attachment, sendOptions)
                              : -1;
}

int32_t VMAIL_CALL VMailSmtpConnectPortNo(const char* host, int32_t port)
{
    return vmail.smtpConnect ? vmail.smtpConnect(host, port) : -1;
}

int32_t VMAIL_CALL VMailSmtpAuthenticate(int32_t handle, const char* host, const char* user,
                                         const char* password, int32_t mechanisms)
{
    return vmail.smtpAuthenticate ? vmail.smtpAuthenticate(handle, host, user, password, mechanisms)
                                  : -1;
}

int32_t VMAIL_CALL VMailSmtpSendMailEx(int32_t handle, const char* to, const char* cc,
                                       const char* bcc, const char* from, const char* subject,
                                       const char* body, const char* extraHeader,
                                       int32_t reserved1, int32_t reserved2, int32_t reserved3)
{
    return vmail.smtpSendMailEx ? vmail.smtpSendMailEx(handle, to, cc, bcc, from, subject, body,
                                                       extraHeader, reserved1, reserved2, reserved3)
                                : -1;
}

void VMAIL_CALL VMailSmtpClose(int32_t handle)
{
    if (vmail.smtpClose)
        vmail.smtpClose(handle);
}

int32_t VMAIL_CALL VMailLastError(int32_t handle, char* buffer, int32_t size)
{
    return vmail.lastError ? vmail.lastError(handle, buffer, size) : noDetail(buffer, size);
}

int32_t VMAIL_CALL VMailLastSendError(char* buffer, int32_t size)
{
    return vmail.lastSendError ? vmail.lastSendError(buffer, size) : noDetail(buffer, size);
}

}  // extern "C"
