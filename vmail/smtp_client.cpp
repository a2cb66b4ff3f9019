// SMTP steps: greeting, EHLO/HELO, the envelope, DATA, QUIT.
#include "vmail/smtp_client.h"

#include <cctype>

#include "vmail/options.h"
#include "vmail/results.h"

namespace vmail {

namespace {

std::int32_t sendLines(SmtpSession& session, const std::string& lines)
{
    return sendText(session, lines, options().replyMs);
}

std::int32_t readOne(SmtpSession& session, Reply& reply, int timeoutMs)
{
    ReplyStatus status = readReply(session.reader, deadlineIn(timeoutMs), reply);
    if (status == ReplyStatus::ok)
        return 0;
    // After a time-out or a garbled reply the dialogue is out of step for good.
    session.broken = true;
    switch (status) {
    case ReplyStatus::timedOut:
        note(session, noAnswer(Waiting::reply, timeoutMs));
        return kResultTimeout;
    case ReplyStatus::invalid:
        note(session, garbledReply(reply.lines.back()));  // readReply keeps the offending line
        break;
    case ReplyStatus::failed: note(session, connectionClosed()); break;
    case ReplyStatus::ok: break;
    }
    return kResultConnection;
}

std::int32_t readOne(SmtpSession& session, Reply& reply)
{
    return readOne(session, reply, options().replyMs);
}

std::string firstLine(const Reply& reply)
{
    return reply.lines.empty() ? std::string() : reply.lines.front();
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// EHLO's keywords after the first line (RFC 5321 4.1.1.1): PIPELINING and the AUTH list,
// including the older "AUTH=" form some servers still send.
void readCapabilities(SmtpSession& session, const Reply& reply)
{
    session.extended = true;
    for (std::size_t i = 1; i < reply.lines.size(); ++i) {
        std::string line = upper(reply.lines[i]);
        if (line == "PIPELINING") {
            session.pipelining = true;
            continue;
        }
        if (line == "STARTTLS") {
            session.startTls = true;
            continue;
        }
        if (line.compare(0, 5, "AUTH ") != 0 && line.compare(0, 5, "AUTH=") != 0)
            continue;
        std::size_t start = 5;
        while (start < line.size()) {
            std::size_t end = line.find(' ', start);
            if (end == std::string::npos)
                end = line.size();
            if (end > start)
                session.authMechanisms.push_back(line.substr(start, end - start));
            start = end + 1;
        }
    }
}

// What the server said it can do, forgotten before each EHLO: after STARTTLS nothing said in
// the clear counts any more (RFC 3207 4.2).
void forgetCapabilities(SmtpSession& session)
{
    session.extended = false;
    session.pipelining = false;
    session.startTls = false;
    session.authMechanisms.clear();
}

std::int32_t hello(SmtpSession& session)
{
    forgetCapabilities(session);
    const std::string domain = session.socket.localAddressLiteral();
    Reply reply;
    std::int32_t result = smtpCommand(session, "EHLO " + domain, reply);
    if (result != 0)
        return result;
    if (reply.code == 250) {
        readCapabilities(session, reply);
        return 0;
    }
    // A server that does not know EHLO answers 500 or 502; anything else is a refusal.
    if (reply.code != 500 && reply.code != 502)
        return expectCode(session, reply, 250);
    result = smtpCommand(session, "HELO " + domain, reply);
    return result != 0 ? result : expectCode(session, reply, 250);
}

std::int32_t startTls(SmtpSession& session, const std::string& host)
{
    Reply reply;
    std::int32_t result = smtpCommand(session, "STARTTLS", reply);
    if (result != 0)
        return result;
    // A server that offered STARTTLS and then declines it gets nothing more, in the clear least
    // of all: the same end as a failed handshake.
    if (reply.code != 220) {
        note(session, tlsRefused("STARTTLS", replyLine(reply.code, firstLine(reply))));
        return abandon(session, NetStatus::failed);
    }
    result = moveToTls(session, host, options().replyMs);
    return result != 0 ? result : hello(session);
}

// Whether the reply to the index-th of count envelope commands (MAIL, RCPT..., DATA) accepts it.
bool envelopeAccepted(std::size_t index, std::size_t count, const Reply& reply)
{
    if (index == 0)
        return reply.code == 250;
    if (index + 1 == count)
        return reply.code == 354;
    return reply.code == 250 || reply.code == 251;
}

std::int32_t refusal(const Reply& reply)
{
    return reply.code >= 400 ? -reply.code : kResultConnection;
}

}  // namespace

std::int32_t expectCode(SmtpSession& session, const Reply& reply, int expected)
{
    if (reply.code == expected)
        return 0;
    note(session, replyFailure(reply));
    return refusal(reply);
}

Failure replyFailure(const Reply& reply)
{
    if (reply.code >= 400)
        return smtpRefusal(reply.code, firstLine(reply));
    return garbledReply(replyLine(reply.code, firstLine(reply)));
}

std::int32_t smtpCommand(SmtpSession& session, const std::string& line, Reply& reply)
{
    std::int32_t result = sendLines(session, line + "\r\n");
    return result != 0 ? result : readOne(session, reply);
}

std::int32_t smtpOpen(SmtpSession& session, const std::string& host, int port)
{
    std::int32_t result = connectTo(session, host, port);
    if (result == 0 && port == kImplicitTlsPort)
        result = moveToTls(session, host, options().replyMs);
    if (result != 0)
        return result;
    Reply greeting;
    result = readOne(session, greeting);
    if (result == 0)
        result = expectCode(session, greeting, 220);
    if (result == 0)
        result = hello(session);
    if (result == 0 && session.startTls && !session.socket.encrypted())
        result = startTls(session, host);
    return result;
}

std::int32_t smtpSendMessage(SmtpSession& session, const Envelope& envelope, const std::string& message)
{
    std::vector<std::string> commands;
    commands.push_back("MAIL FROM:<" + envelope.from + ">");
    for (const std::string& recipient : envelope.recipients)
        commands.push_back("RCPT TO:<" + recipient + ">");
    commands.push_back("DATA");
    const std::size_t count = commands.size();

    // Pipelined, every command goes out at once and every reply is read; otherwise each
    // command waits for its reply. Either way the first refusal decides the result.
    std::vector<Reply> replies(count);
    std::int32_t result = 0;
    std::size_t answered = 0;
    if (session.pipelining) {
        std::string batch;
        for (const std::string& command : commands)
            batch += command + "\r\n";
        result = sendLines(session, batch);
        for (std::size_t i = 0; i < count && result == 0; ++i) {
            result = readOne(session, replies[i]);
            answered = i + 1;
        }
    } else {
        for (std::size_t i = 0; i < count && result == 0; ++i) {
            result = smtpCommand(session, commands[i], replies[i]);
            answered = i + 1;
            if (result == 0 && !envelopeAccepted(i, count, replies[i]))
                break;
        }
    }
    if (result != 0)
        return result;
    for (std::size_t i = 0; i < answered; ++i) {
        if (envelopeAccepted(i, count, replies[i]))
            continue;
        note(session, replyFailure(replies[i]));
        // After a 354 the server takes everything as the message: only dropping the
        // connection keeps a refused mail from going out.
        Reply ignored;
        if (replies[count - 1].code == 354)
            abandon(session, NetStatus::failed);
        else
            smtpCommand(session, "RSET", ignored);  // leaves the session fit for another mail
        return refusal(replies[i]);
    }
    result = sendLines(session, dotStuffed(message));
    if (result != 0)
        return result;
    Reply final;
    result = readOne(session, final, options().dataEndMs);
    return result != 0 ? result : expectCode(session, final, 250);
}

void smtpQuit(SmtpSession& session)
{
    quit(session, [&](int timeoutMs) {
        Reply reply;
        return readOne(session, reply, timeoutMs);
    });
}

std::string dotStuffed(const std::string& message)
{
    std::string data;
    data.reserve(message.size() + message.size() / 64 + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (lineStart && message[i] == '.')
            data += '.';
        data += message[i];
        lineStart = message[i] == '\n';
    }
    if (data.size() < 2 || data.compare(data.size() - 2, 2, "\r\n") != 0)
        data += "\r\n";
    data += ".\r\n";
    return data;
}

}  // namespace vmail
