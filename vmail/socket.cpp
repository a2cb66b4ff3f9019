// The platform-independent half of the transport: TLS between the clients and the bare stream.
#include "vmail/socket.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vmail {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCloseNotifyMs = 500;  // a courtesy to the server; the mail is done by then

int remainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

Socket::~Socket() { close(); }

NetStatus Socket::startTls(const std::string& host, int timeoutMs)
{
    if (!isOpen() || tls_)
        return NetStatus::failed;
    std::unique_ptr<TlsEngine> engine = TlsEngine::create(host);
    if (!engine)
        return NetStatus::failed;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    received_.clear();
    plaintext_.clear();
    for (;;) {
        std::string output;
        TlsStep step = engine->handshake(received_, output);
        if (!output.empty()) {
            NetStatus status = sendRaw(output, remainingMs(deadline));
            if (status != NetStatus::ok && step != TlsStep::failed)
                return status;
        }
        if (step == TlsStep::done)
            break;
        if (step == TlsStep::failed)
            return NetStatus::failed;
        char chunk[4096];
        std::size_t got = 0;
        NetStatus status = receiveRaw(chunk, sizeof chunk, got, remainingMs(deadline));
        if (status != NetStatus::ok)
            return status == NetStatus::closed ? NetStatus::failed : status;
        received_.append(chunk, got);
    }
    tls_ = std::move(engine);
    return NetStatus::ok;
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
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (plaintext_.empty()) {
        TlsRead read = tls_->decrypt(received_, plaintext_);
        if (read == TlsRead::failed)
            return NetStatus::failed;
        if (read == TlsRead::closed)
            return NetStatus::closed;
        if (read == TlsRead::data) {
            // Records without data (session tickets) are bounded by the deadline like the rest.
            if (plaintext_.empty() && remainingMs(deadline) == 0)
                return NetStatus::timedOut;
            continue;
        }
        char chunk[4096];
        std::size_t got = 0;
        NetStatus status = receiveRaw(chunk, sizeof chunk, got, remainingMs(deadline));
        if (status != NetStatus::ok)
            return status;
        received_.append(chunk, got);
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
