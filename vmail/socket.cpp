// The platform-independent half of the transport: the race of connection attempts over all
// addresses of a name, and TLS between the clients and the bare stream.
#include "vmail/socket.h"

#include <algorithm>
#include <cstring>

#include "vmail/deadline.h"
#include "vmail/options.h"
#include "vmail/socket_platform.h"

namespace vmail {

namespace {

constexpr int kCloseNotifyMs = 500;  // a courtesy to the server; the mail is done by then

// More addresses than a name ever has in practice; it keeps the attempts within one wait.
constexpr std::size_t kMaxAddresses = 32;

// The attempts started so far that have not failed.
class Attempts {
public:
    ~Attempts()
    {
        for (NativeSocket socket : sockets_)
            closeNativeSocket(socket);
    }
    void add(NativeSocket socket) { sockets_.push_back(socket); }
    bool empty() const { return sockets_.empty(); }
    const std::vector<NativeSocket>& sockets() const { return sockets_; }
    // Hands the socket at index over to the caller; the others stay to be closed.
    NativeSocket take(std::size_t index)
    {
        NativeSocket socket = sockets_[index];
        sockets_.erase(sockets_.begin() + static_cast<std::ptrdiff_t>(index));
        return socket;
    }
    void drop(std::size_t index) { closeNativeSocket(take(index)); }

private:
    std::vector<NativeSocket> sockets_;
};

}  // namespace

std::vector<SocketAddress> interleaveFamilies(const std::vector<SocketAddress>& addresses)
{
    if (addresses.empty())
        return {};
    // RFC 8305 4: the family of the resolver's first choice leads, then the families take
    // turns, each in the resolver's order.
    const AddressFamily first = addresses.front().family;
    std::vector<SocketAddress> leading;
    std::vector<SocketAddress> other;
    for (const SocketAddress& address : addresses)
        (address.family == first ? leading : other).push_back(address);
    std::vector<SocketAddress> order;
    for (std::size_t i = 0; i < leading.size() || i < other.size(); ++i) {
        if (i < leading.size())
            order.push_back(leading[i]);
        if (i < other.size())
            order.push_back(other[i]);
    }
    if (order.size() > kMaxAddresses)
        order.resize(kMaxAddresses);
    return order;
}

Socket::~Socket() { close(); }

NetStatus Socket::connect(const std::string& host, int port, int timeoutMs)
{
    close();
    connectFault_ = ConnectFault::other;
    std::vector<SocketAddress> resolved;
    if (port < 0 || port > 65535)
        return NetStatus::failed;
    if (!resolveAddresses(host, port, resolved)) {
        connectFault_ = ConnectFault::noName;
        return NetStatus::failed;
    }
    const std::vector<SocketAddress> order = interleaveFamilies(resolved);
    // The time-out covers the attempts together, from when the addresses are known.
    const Clock::time_point deadline = deadlineIn(timeoutMs);
    Attempts attempts;
    std::size_t next = 0;
    Clock::time_point nextStart = Clock::now();
    std::vector<AttemptState> states;
    for (;;) {
        if (next < order.size() && (attempts.empty() || Clock::now() >= nextStart)) {
            NativeSocket socket = kNoNativeSocket;
            AttemptStart start = startAttempt(order[next++], socket);
            if (start == AttemptStart::connected) {
                handle_ = socket;
                connectFault_ = ConnectFault::none;
                return NetStatus::ok;
            }
            if (start == AttemptStart::pending) {
                attempts.add(socket);
                nextStart = deadlineIn(options().attemptDelayMs);
            } else {
                nextStart = Clock::now();  // a failed start makes way for the next address at once
            }
            continue;
        }
        if (attempts.empty()) {
            connectFault_ = ConnectFault::refused;
            return NetStatus::failed;  // every address refused
        }
        int waitMs = millisecondsUntil(deadline);
        if (waitMs == 0) {
            connectFault_ = ConnectFault::timedOut;
            return NetStatus::timedOut;
        }
        if (next < order.size())
            waitMs = std::min(waitMs, millisecondsUntil(nextStart));
        if (!waitForAttempts(attempts.sockets(), waitMs, states))
            return NetStatus::failed;
        // The first to connect wins (the earlier started, when two finish in one wait); the
        // others are closed as attempts goes.
        for (std::size_t i = 0; i < states.size(); ++i) {
            if (states[i] == AttemptState::connected) {
                handle_ = attempts.take(i);
                connectFault_ = ConnectFault::none;
                return NetStatus::ok;
            }
        }
        for (std::size_t i = states.size(); i-- > 0;) {
            if (states[i] == AttemptState::failed) {
                attempts.drop(i);
                nextStart = Clock::now();  // a refusal starts the next attempt at once
            }
        }
    }
}

NetStatus Socket::startTls(const std::string& host, int timeoutMs)
{
    tlsFault_ = tlsFaultOf(TlsFaultKind::handshake);  // unless the engine tells more
    if (!isOpen() || tls_)
        return NetStatus::failed;
    std::unique_ptr<TlsEngine> engine = TlsEngine::create(host);
    if (!engine)
        return NetStatus::failed;
    Clock::time_point deadline = deadlineIn(timeoutMs);
    received_.clear();
    plaintext_.clear();
    for (;;) {
        std::string output;
        TlsStep step = engine->handshake(received_, output);
        if (!output.empty()) {
            NetStatus status = sendRaw(output, millisecondsUntil(deadline));
            if (status != NetStatus::ok && step != TlsStep::failed)
                return status;
        }
        if (step == TlsStep::done)
            break;
        if (step == TlsStep::failed) {
            tlsFault_ = engine->fault();
            return NetStatus::failed;
        }
        NetStatus status = receiveRecords(millisecondsUntil(deadline));
        if (status != NetStatus::ok)
            return status;
    }
    tlsFault_ = TlsFault();
    tls_ = std::move(engine);
    return NetStatus::ok;
}

NetStatus Socket::receiveRecords(int timeoutMs)
{
    char chunk[4096];
    std::size_t got = 0;
    NetStatus status = receiveRaw(chunk, sizeof chunk, got, timeoutMs);
    if (status == NetStatus::ok)
        received_.append(chunk, got);
    return status;
}

NetStatus Socket::sendAll(std::string_view bytes, int timeoutMs)
{
    if (!tls_)
        return sendRaw(bytes, timeoutMs);
    std::string records;
    if (!tls_->encrypt(bytes, records))
        return NetStatus::failed;
    return sendRaw(records, timeoutMs);
}

NetStatus Socket::receive(char* buffer, std::size_t size, std::size_t& received, int timeoutMs)
{
    received = 0;
    if (!tls_)
        return receiveRaw(buffer, size, received, timeoutMs);
    Clock::time_point deadline = deadlineIn(timeoutMs);
    while (plaintext_.empty()) {
        TlsRead read = tls_->decrypt(received_, plaintext_);
        if (read == TlsRead::failed)
            return NetStatus::failed;
        if (read == TlsRead::closed)
            return NetStatus::closed;
        if (read == TlsRead::data) {
            // Records without data (session tickets) are bounded by the deadline like the rest.
            if (plaintext_.empty() && millisecondsUntil(deadline) == 0)
                return NetStatus::timedOut;
            continue;
        }
        NetStatus status = receiveRecords(millisecondsUntil(deadline));
        if (status != NetStatus::ok)
            return status;
    }
    received = std::min(size, plaintext_.size());
    std::memcpy(buffer, plaintext_.data(), received);
    plaintext_.erase(0, received);
    return NetStatus::ok;
}

void Socket::close()
{
    if (tls_ && isOpen()) {
        std::string alert;
        tls_->shutdown(alert);
        if (!alert.empty())
            sendRaw(alert, kCloseNotifyMs);
    }
    tls_.reset();
    received_.clear();
    plaintext_.clear();
    closeRaw();
}

}  // namespace vmail
