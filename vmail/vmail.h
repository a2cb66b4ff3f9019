/* VMAIL: the mail-transport library's C interface. Texts are NUL-terminated code page 932
   strings; integers are 32-bit signed; a handle is what a connect operation returned, -1 for
   none. Every close operation accepts -1. */
#ifndef VMAIL_VMAIL_H
#define VMAIL_VMAIL_H

#include <stdint.h>

#ifdef _WIN32
#define VMAIL_CALL __stdcall
#ifdef VMAIL_BUILDING_DLL
#define VMAIL_API __declspec(dllexport)
#else
#define VMAIL_API
#endif
#else
#define VMAIL_CALL
#define VMAIL_API
#endif

/* The SMTP AUTH mechanisms of VMailSmtpAuthenticate's set, tried in the order CRAM-MD5, LOGIN,
   PLAIN among those the server offers. */
#define VMAIL_AUTH_PLAIN 1
#define VMAIL_AUTH_LOGIN 2
#define VMAIL_AUTH_CRAM_MD5 4
#define VMAIL_AUTH_ANY (VMAIL_AUTH_CRAM_MD5 | VMAIL_AUTH_LOGIN | VMAIL_AUTH_PLAIN)

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the socket layer: 0 when it could not start, another value when it did. */
VMAIL_API int32_t VMAIL_CALL VMailInitializeWinSock(void);
/* Ends what a successful start began; harmless after a failed one. */
VMAIL_API void VMAIL_CALL VMailEndWinSock(void);

/* Connects to a POP3 server and reads its greeting: a handle, or -1. */
VMAIL_API int32_t VMAIL_CALL VMailPop3ConnectPortNo(const char* host, int32_t port);
/* Logs in with USER/PASS (apop 0) or APOP (apop 1): 1 when logged in; -1 connection error,
   -2 login refused, -4 time-out, -10 other error. */
VMAIL_API int32_t VMAIL_CALL VMailPop3Authenticate(int32_t handle, const char* user,
                                                   const char* password, int32_t apop);
/* Says QUIT and closes: 1 when the server closed cleanly. */
VMAIL_API int32_t VMAIL_CALL VMailPop3Close(int32_t handle);

/* Connects to host on port 25, sends one mail and disconnects. cc and bcc may be null or hold
   further addresses separated by commas; attachment must be null and sendOptions 0. Returns 0
   when sent, otherwise -1 (connection), -4 (time-out), -501 (an unusable parameter: nothing was
   sent) or the refusing SMTP reply code negated. */
VMAIL_API int32_t VMAIL_CALL VMailSmtpSendMail(const char* host, const char* to, const char* cc,
                                               const char* bcc, const char* from,
                                               const char* subject, const char* body,
                                               const char* extraHeader, const char* attachment,
                                               int32_t sendOptions);
/* Connects to an SMTP server, reads its greeting and says EHLO: a handle, or -1. */
VMAIL_API int32_t VMAIL_CALL VMailSmtpConnectPortNo(const char* host, int32_t port);
/* SMTP AUTH with the first of the VMAIL_AUTH_ mechanisms that the server offers and the set
   mechanisms allows: 1 when authenticated, otherwise a negative result. */
VMAIL_API int32_t VMAIL_CALL VMailSmtpAuthenticate(int32_t handle, const char* host,
                                                   const char* user, const char* password,
                                                   int32_t mechanisms);
/* Sends one mail over an open connection; results as VMailSmtpSendMail. The three reserved
   values must be 0. */
VMAIL_API int32_t VMAIL_CALL VMailSmtpSendMailEx(int32_t handle, const char* to, const char* cc,
                                                 const char* bcc, const char* from,
                                                 const char* subject, const char* body,
                                                 const char* extraHeader, int32_t reserved1,
                                                 int32_t reserved2, int32_t reserved3);
/* Says QUIT and closes. */
VMAIL_API void VMAIL_CALL VMailSmtpClose(int32_t handle);

#ifdef __cplusplus
}
#endif

#endif
