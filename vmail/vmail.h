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

/* What kind of failure VMailLastError and VMailLastSendError report. */
#define VMAIL_FAILURE_NONE 0           /* the last operation did not fail */
#define VMAIL_FAILURE_REPLY 1          /* the server refused: the line is its reply */
#define VMAIL_FAILURE_NAME 2           /* the server's name was not found */
#define VMAIL_FAILURE_REFUSED 3        /* every address refused the connection */
#define VMAIL_FAILURE_NO_ANSWER 4      /* no answer in time, to the connect or to a command */
#define VMAIL_FAILURE_CLOSED 5         /* the server closed the connection */
#define VMAIL_FAILURE_TLS 6            /* the TLS handshake failed */
#define VMAIL_FAILURE_CERT_DATE 7      /* the certificate has expired or is not yet valid */
#define VMAIL_FAILURE_CERT_NAME 8      /* the certificate is issued for another name */
#define VMAIL_FAILURE_CERT_UNTRUSTED 9 /* the certificate is not from a trusted root */
#define VMAIL_FAILURE_TLS_REFUSED 10   /* STARTTLS or STLS offered but refused */
#define VMAIL_FAILURE_NO_MECHANISM 11  /* no login method in common */
#define VMAIL_FAILURE_OTHER 12         /* anything else (an unusable parameter, the socket layer) */

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

/* Why the last operation on an open session failed (VMailPop3Authenticate, VMailSmtpAuthenticate,
   VMailSmtpSendMailEx), or, for handle -1, the last connect (VMailPop3ConnectPortNo,
   VMailSmtpConnectPortNo) of the calling thread that returned -1. Writes one line into buffer,
   NUL-terminated and cut to size bytes without splitting a double-byte character, and returns
   the failure's kind; VMAIL_FAILURE_NONE and an empty line when that operation succeeded or
   none was made. buffer may be null when size is 0. */
VMAIL_API int32_t VMAIL_CALL VMailLastError(int32_t handle, char* buffer, int32_t size);
/* The same for the last VMailSmtpSendMail of the calling thread. */
VMAIL_API int32_t VMAIL_CALL VMailLastSendError(char* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#endif
