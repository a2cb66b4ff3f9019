// The C interface: checks the parameters, runs the protocol steps, and turns every failure
// into a result code. No exception crosses it.
#include "vmail/vmail.h"

#include <memory>
#include <string>

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

// Runs body; an exception (only an allocation failure can raise one) becomes a failed
// connection, since nothing may cross the C interface.
template <typename Body>
std::int32_t guarded(Body body)
{
    try {
        return body();
    } catch (...) {
        return kResultConnection;
    }
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
    return guarded([&]() -> std::int32_t {
        std::optional<std::string> server = trimmedText(host);
        if (!server || !isSafeHost(*server))
            return kNoHandle;
        auto session = std::make_unique<Pop3Session>();
        if (pop3Open(*session, *server, port) != 0)
            return kNoHandle;
        return addSession(std::move(session));
    });
}

int32_t VMAIL_CALL VMailPop3Authenticate(int32_t handle, const char* user, const char* password,
                                         int32_t apop)
{
    return guarded([&]() -> std::int32_t {
        Pop3Session* session = findPop3Session(handle);
        if (!session)
            return kResultConnection;
        return pop3Login(*session, textOf(user), textOf(password), apop == 1);
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
    return guarded([&]() -> std::int32_t {
        std::optional<std::string> server = trimmedText(host);
        if (!server || !isSafeHost(*server) || (attachment && *attachment) || sendOptions != 0)
            return kResultBadParameter;
        std::optional<MailParameters> mail =
            mailParameters(to, cc, bcc, from, subject, body, extraHeader);
        if (!mail)
            return kResultBadParameter;
        SmtpSession session;
        std::int32_t result = smtpOpen(session, *server, options().plainSmtpPort);
        if (result == 0)
            result = sendComposed(session, *mail);
        smtpQuit(session);
        return result;
    });
}

int32_t VMAIL_CALL VMailSmtpConnectPortNo(const char* host, int32_t port)
{
    return guarded([&]() -> std::int32_t {
        std::optional<std::string> server = trimmedText(host);
        if (!server || !isSafeHost(*server))
            return kNoHandle;
        auto session = std::make_unique<SmtpSession>();
        if (smtpOpen(*session, *server, port) != 0) {
            smtpQuit(*session);
            return kNoHandle;
        }
        return addSession(std::move(session));
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
        Credentials credentials{textOf(user), textOf(password)};
        std::int32_t result =
            smtpAuthenticate(*session, credentials, static_cast<unsigned>(mechanisms));
        return result == 0 ? 1 : result;
    });
}

int32_t VMAIL_CALL VMailSmtpSendMailEx(int32_t handle, const char* to, const char* cc,
                                       const char* bcc, const char* from, const char* subject,
                                       const char* body, const char* extraHeader,
                                       int32_t reserved1, int32_t reserved2, int32_t reserved3)
{
    return guarded([&]() -> std::int32_t {
        if (reserved1 != 0 || reserved2 != 0 || reserved3 != 0)
            return kResultBadParameter;
        std::optional<MailParameters> mail =
            mailParameters(to, cc, bcc, from, subject, body, extraHeader);
        if (!mail)
            return kResultBadParameter;
        SmtpSession* session = findSmtpSession(handle);
        if (!session)
            return kResultConnection;
        return sendComposed(*session, *mail);
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

}  // extern "C"
