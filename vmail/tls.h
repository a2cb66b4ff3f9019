// TLS for one client connection, as a state machine over byte buffers: the socket moves the
// bytes and keeps the deadlines, the engine only encrypts, decrypts and verifies. One engine per
// platform: the system's Schannel on Windows, OpenSSL elsewhere.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vmail {

enum class TlsStep {
    done,       // the handshake finished and the server's certificate was verified
    needInput,  // send what was appended to output, then call again with more received bytes
    failed,     // handshake error or a certificate that is not trusted for the host
};

enum class TlsRead {
    data,       // zero or more plaintext bytes were appended; call again to read on
    needInput,  // no complete record in input: receive more bytes
    closed,     // the server ended the TLS session (close_notify)
    failed,
};

// Why a handshake failed, as far as the engine can tell.
enum class TlsFaultKind {
    none,
    handshake,    // the TLS exchange itself (protocol, cipher, a malformed or refused message)
    expired,      // a certificate of the chain is past its end
    notYetValid,  // a certificate of the chain is before its start
    otherName,    // the server's certificate does not hold the host
    untrusted,    // the chain leads to no root the system trusts
};

struct TlsFault {
    TlsFaultKind kind = TlsFaultKind::none;
    // handshake: the TLS library's short reason, when it gives one; untrusted: the common name of
    // the issuer the chain stops at. UTF-8.
    std::string reason;
    std::vector<std::string> names;  // otherName: the names the certificate holds, UTF-8
    // expired: the certificate's last day; notYetValid: its first; in local time.
    int year = 0, month = 0, day = 0;
};

inline TlsFault tlsFaultOf(TlsFaultKind kind, std::string reason = {})
{
    TlsFault fault;
    fault.kind = kind;
    fault.reason = std::move(reason);
    return fault;
}

class TlsEngine {
public:
    virtual ~TlsEngine() = default;

    // A client for host, the name the user typed: it is sent as SNI (unless it is an address)
    // and the certificate must be valid for it (a DNS name, or an IP address literal), chain
    // to a root the system trusts and be within its validity dates. TLS 1.2 or later, the
    // system's default cipher choice. Null when TLS cannot be set up on this system.
    static std::unique_ptr<TlsEngine> create(const std::string& host);

    // One step of the handshake. Consumes from the front of input the bytes it used (bytes
    // after the handshake's last record stay in input for decrypt) and appends to output what
    // must go to the server; output may be non-empty together with done or failed.
    virtual TlsStep handshake(std::string& input, std::string& output) = 0;

    // Plaintext to records appended to output; false when the session cannot send.
    virtual bool encrypt(std::string_view plain, std::string& output) = 0;

    // Decrypts the complete records at the front of input, consuming them, and appends their
    // plaintext to plain. Messages after the handshake that carry no data (TLS 1.3 session
    // tickets) are consumed quietly.
    virtual TlsRead decrypt(std::string& input, std::string& plain) = 0;

    // Appends the close_notify alert to output.
    virtual void shutdown(std::string& output) = 0;

    // After handshake returned failed: why.
    virtual TlsFault fault() const = 0;
};

}  // namespace vmail
