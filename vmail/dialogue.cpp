// The shared parts of the SMTP and POP3 dialogues.
#include "vmail/dialogue.h"

#include "vmail/options.h"
#include "vmail/results.h"

namespace vmail {

namespace {

constexpr int kQuitReplyMs = 5000;  // the mail or the login is done by then

}  // namespace

std::int32_t resultOf(NetStatus status)
{
    switch (status) {
    case NetStatus::ok: return 0;
    case NetStatus::timedOut: return kResultTimeout;
    case NetStatus::failed:
    case NetStatus::closed: break;
    }
    return kResultConnection;
}

void note(Dialogue& dialogue, const Failure& failure)
{
    if (!dialogue.failure.failed())
        dialogue.failure = failure;
}

std::int32_t connectTo(Dialogue& dialogue, const std::string& host, int port)
{
    const int timeoutMs = options().connectMs;
    NetStatus status = dialogue.socket.connect(host, port, timeoutMs);
    if (status != NetStatus::ok)
        note(dialogue, connectFailure(dialogue.socket.connectFault(), host, port, timeoutMs));
    return resultOf(status);
}

std::int32_t sendText(Dialogue& dialogue, std::string_view text, int timeoutMs)
{
    if (dialogue.broken)
        return kResultConnection;
    NetStatus status = dialogue.socket.sendAll(text, timeoutMs);
    if (status != NetStatus::ok) {
        dialogue.broken = true;
        note(dialogue, status == NetStatus::timedOut ? noAnswer(Waiting::reply, timeoutMs)
                                                     : connectionClosed());
    }
    return resultOf(status);
}

std::int32_t abandon(Dialogue& dialogue, NetStatus status)
{
    dialogue.broken = true;
    dialogue.socket.close();
    return status == NetStatus::timedOut ? kResultTimeout : kResultConnection;
}

std::int32_t moveToTls(Dialogue& dialogue, const std::string& host, int timeoutMs)
{
    if (dialogue.reader.hasBuffered()) {
        note(dialogue, plaintextBeforeTls());
        return abandon(dialogue, NetStatus::failed);
    }
    NetStatus status = dialogue.socket.startTls(host, timeoutMs);
    switch (status) {
    case NetStatus::ok: return 0;
    case NetStatus::timedOut: note(dialogue, noAnswer(Waiting::tls, timeoutMs)); break;
    case NetStatus::closed: note(dialogue, connectionClosed()); break;
    case NetStatus::failed: note(dialogue, tlsFailure(dialogue.socket.tlsFault(), host)); break;
    }
    return abandon(dialogue, status);
}

std::int32_t quit(Dialogue& dialogue,
                  const std::function<std::int32_t(int timeoutMs)>& readAnswer)
{
    const Failure before = dialogue.failure;
    std::int32_t result = kResultConnection;
    if (dialogue.socket.isOpen() && !dialogue.broken &&
        sendText(dialogue, "QUIT\r\n", kQuitReplyMs) == 0)
        result = readAnswer(kQuitReplyMs);
    dialogue.socket.close();
    dialogue.failure = before;
    return result;
}

}  // namespace vmail
