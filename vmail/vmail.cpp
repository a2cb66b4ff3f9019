// The C interface: checks the parameters, runs the protocol steps, and turns every failure
// into a result code and the record of why. No exception crosses it.
#include "vmail/vmail.h"

#include <memory>
#include <string>

#include "vmail/failure.h"
#include "vmail/message.h"
#include "vmail/message_ids.h"
#include "vmail/options.h"
#include "vmail/parameters.h"
#include "vmail/pop3_client.h"
#include "vmail/results.h"
#include "vmail/sasl.h"
#include "vmail/sessions.h"
#include "vmail/smtp_client.h"

using namespace vmail;

namespace {

std::string textOf(const char* text) { return text ? std::string(text) : std::string(); }

// A server name or the sender's address as typed, without the blanks that pasting leaves
// around it; nothing for a null pointer.
std::optional<std::string> trimmedText(const char* text)
{
    if (!text)
        return std::nullopt;
    return std::string(withoutBlanks(text));
}

// Why the calling thread's last connect that gave no handle, and its last one-call send,
// failed. Trivially destructible, as the thread-local storage of a DLL with the runtime linked
// in must be.
thread_local Failure lastConnect;
thread_local Failure lastSend;

// Runs body; an exception (only an allocation failure can raise one) becomes a failed
// connection, since nothing may cross the C interface, and is recorded in failure, if any.
template <typename Body>
std::int32_t guarded(Body body, Failure* failure = nullptr)
{
    try {
        return body();
    } catch (...) {
        if (failure)
            *failure = noMemory();
        return kResultConnection;
    }
}

// After an operation that ended with result: nothing is left recorded when it succeeded, and a
// failure always has its line, be it only the result.
void settle(Failure& failure, std::int32_t result, std::int32_t success)
{
    if (result == success)
        failure.clear();
    else if (!failure.failed())
        failure = unexplained(result);
}

// Runs an operation of an open session; success is its result when it succeeds. A session that
// broke before keeps the reason it broke for, which is why this operation fails too.
template <typename Body>
std::int32_t operate(Dialogue& session, std::int32_t success, Body body)
{
    if (!session.broken)
        session.failure.clear();
    std::int32_t result = guarded(body, &session.failure);
    settle(session.failure, result, success);
    return result;
}

// The end of a connect: the handle, or, when there is none, the reason in lastConnect.
std::int32_t connected(std::int32_t handle, const Failure& failure)
{
    if (handle == kNoHandle)
        lastConnect = failure.failed() ? failure : unexplained(kNoHandle);
    return handle;
}

// A connect operation: a handle for a Session that open (true when it opened) opened to the
// trimmed host; none, with the reason in lastConnect, when it could not.
template <typename Session, typename Open>
std::int32_t connectSession(const char* host, Open open)
{
    lastConnect.clear();
    return guarded(
        [&]() -> std::int32_t {
            std::optional<std::string> server = trimmedText(host);
            if (!server || !isSafeHost(*server))
                return connected(kNoHandle, badHost());
            auto session = std::make_unique<Session>();
            if (!open(*session, *server))
                return connected(kNoHandle, session->failure);
            return connected(addSession(std::move(session)), tooManySessions());
        },
        &lastConnect);
}

struct MailParameters {
    Envelope envelope;
    std::string message;
    std::string messageId;
};

// The envelope and the composed message; nothing when a parameter cannot be used safely.
std::optional<MailParameters> mailParameters(const char* to, const char* cc, const char* bcc,
                                             const char* from, const char* subject,
                                             const char* body, const char* extraHeader)
{
    std::optional<std::vector<std::string>> toList = parseAddressList(to);
    std::optional<std::vector<std::string>> ccList = parseAddressList(cc);
    std::optional<std::vector<std::string>> bccList = parseAddressList(bcc);
    std::optional<std::string> sender = trimmedText(from);
    if (!toList || toList->empty() || !ccList || !bccList || !sender || !isSafeAddress(*sender))
        return std::nullopt;
    MailParameters mail;
    mail.envelope.from = *sender;
    mail.envelope.recipients = *toList;
    mail.envelope.recipients.insert(mail.envelope.recipients.end(), ccList->begin(), ccList->end());
    mail.envelope.recipients.insert(mail.envelope.recipients.end(), bccList->begin(), bccList->end());

    MessageInput input;
    input.from = *sender;
    input.to = *toList;
    input.cc = *ccList;
    input.subject = textOf(subject);
    input.body = textOf(body);
    input.extraHeader = textOf(extraHeader);
    input.date = currentMailDate();
    MailIdentity identity{*sender, *toList, *ccList, *bccList, input.subject, input.body,
                          input.extraHeader};
    input.messageId =
        messageIdFor(identity, [&] { return makeMessageId(input.from, input.date); });
    std::optional<std::string> message = composeMessage(input);
    if (!message)
        return std::nullopt;
    mail.message = std::move(*message);
    mail.messageId = input.messageId;
    return mail;
}

// Sends the composed mail on an open session. Once it is sent its Message-ID is forgotten, so
// the same text sent again is a second mail; after a failure it is kept for the retry.
std::int32_t sendComposed(SmtpSession& session, const MailParameters& mail)
{
    std::int32_t result = smtpSendMessage(session, mail.envelope, mail.message);
    if (result == 0)
        forgetMessageId(mail.messageId);
    return result;
}

}  // namespace

extern "C" {

int32_t VMAIL_CALL VMailInitializeWinSock(void) { return startNetworking() ? 1 : 0; }

void VMAIL_CALL VMailEndWinSock(void) { stopNetworking(); }

int32_t VMAIL_CALL VMailPop3ConnectPortNo(const char* host, int32_t port)
{
    return connectSession<Pop3Session>(host, [&](Pop3Session& session, const std::string& server) {
        return pop3Open(session, server, port) == 0;
    });
}

int32_t VMAIL_CALL VMailPop3Authenticate(int32_t handle, const char* user, const char* password,
                                         int32_t apop)
{
    return guarded([&]() -> std::int32_t {
        Pop3Session* session = findPop3Session(handle);
        if (!session)
            return kResultConnection;
        return operate(*session, 1, [&] {
            return pop3Login(*session, textOf(user), textOf(password), apop == 1);
        });
    });
}

int32_t VMAIL_CALL VMailPop3Close(int32_t handle)
{
    return guarded([&]() -> std::int32_t {
        std::unique_ptr<Pop3Session> session = takePop3Session(handle);
        return session ? pop3Quit(*session) : 0;
    });
}

int32_t VMAIL_CALL VMailSmtpSendMail(const char* host, const char* to, const char* cc,
                                     const char* bcc, const char* from, const char* subject,
                                     const char* body, const char* extraHeader,
                                     const char* attachment, int32_t sendOptions)
{
    lastSend.clear();
    return guarded(
        [&]() -> std::int32_t {
            std::optional<std::string> server = trimmedText(host);
            if (!server || !isSafeHost(*server)) {
                lastSend = badHost();
                return kResultBadParameter;
            }
            std::optional<MailParameters> mail =
                (attachment && *attachment) || sendOptions != 0
                    ? std::nullopt
                    : mailParameters(to, cc, bcc, from, subject, body, extraHeader);
            if (!mail) {
                lastSend = badMail();
                return kResultBadParameter;
            }
            SmtpSession session;
            std::int32_t result = smtpOpen(session, *server, options().plainSmtpPort);
            if (result == 0)
                result = sendComposed(session, *mail);
            smtpQuit(session);
            settle(session.failure, result, 0);
            lastSend = session.failure;
            return result;
        },
        &lastSend);
}

int32_t VMAIL_CALL VMailSmtpConnectPortNo(const char* host, int32_t port)
{
    return connectSession<SmtpSession>(host, [&](SmtpSession& session, const std::string& server) {
        if (smtpOpen(session, server, port) == 0)
            return true;
        smtpQuit(session);
        return false;
    });
}

int32_t VMAIL_CALL VMailSmtpAuthenticate(int32_t handle, const char* host, const char* user,
                                         const char* password, int32_t mechanisms)
{
    (void)host;  // the connection already knows its server
    return guarded([&]() -> std::int32_t {
        SmtpSession* session = findSmtpSession(handle);
        if (!session)
            return kResultConnection;
        return operate(*session, 1, [&] {
            Credentials credentials{textOf(user), textOf(password)};
            std::int32_t result =
                smtpAuthenticate(*session, credentials, static_cast<unsigned>(mechanisms));
            return result == 0 ? 1 : result;
        });
    });
}

int32_t VMAIL_CALL VMailSmtpSendMailEx(int32_t handle, const char* to, const char* cc,
                                       const char* bcc, const char* from, const char* subject,
                                       const char* body, const char* extraHeader,
                                       int32_t reserved1, int32_t reserved2, int32_t reserved3)
{
    return guarded([&]() -> std::int32_t {
        std::optional<MailParameters> mail =
            reserved1 != 0 || reserved2 != 0 || reserved3 != 0
                ? std::nullopt
                : mailParameters(to, cc, bcc, from, subject, body, extraHeader);
        SmtpSession* session = findSmtpSession(handle);
        if (!mail) {
            if (session)
                session->failure = badMail();
            return kResultBadParameter;
        }
        if (!session)
            return kResultConnection;
        return operate(*session, 0, [&] { return sendComposed(*session, *mail); });
    });
}

void VMAIL_CALL VMailSmtpClose(int32_t handle)
{
    guarded([&]() -> std::int32_t {
        std::unique_ptr<SmtpSession> session = takeSmtpSession(handle);
        if (session)
            smtpQuit(*session);
        return 0;
    });
}

int32_t VMAIL_CALL VMailLastError(int32_t handle, char* buffer, int32_t size)
{
    if (handle == kNoHandle)
        return lastConnect.copyTo(buffer, size);
    try {
        if (const Pop3Session* session = findPop3Session(handle))
            return session->failure.copyTo(buffer, size);
        if (const SmtpSession* session = findSmtpSession(handle))
            return session->failure.copyTo(buffer, size);
    } catch (...) {  // the table's lock could not be taken
    }
    return Failure().copyTo(buffer, size);
}

int32_t VMAIL_CALL VMailLastSendError(char* buffer, int32_t size)
{
    return lastSend.copyTo(buffer, size);
}

}  // extern "C"
