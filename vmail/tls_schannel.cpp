// The TLS engine on the system's Schannel, through SSPI. Schannel builds and reads the records;
// the server's certificate is checked with CryptoAPI (schannel_certificate.h), Schannel's own
// validation being turned off.
#include "vmail/parameters.h"
#include "vmail/schannel_buffers.h"
#include "vmail/schannel_certificate.h"
#include "vmail/tls.h"

#include <schannel.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vmail {

namespace {

// What the handshake asks of Schannel: a stream context with encryption and protection against
// replayed or reordered records, output buffers allocated by Schannel, alerts on failure.
constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                  ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR;

// Protocols below TLS 1.2, refused even if the system negotiated one despite our request.
constexpr DWORD kOldProtocols = SP_PROT_PCT1 | SP_PROT_SSL2 | SP_PROT_SSL3 | SP_PROT_TLS1_0 |
                                SP_PROT_TLS1_1;

// The TLS record layer: a 5-byte header whose first byte is the content type, 21 for an alert.
constexpr std::size_t kRecordHeaderSize = 5;
constexpr unsigned char kAlertRecord = 21;

// A failed handshake's status as a short reason, in OpenSSL's words where it has them, so that
// both engines say the same.
struct StatusReason {
    SECURITY_STATUS status;
    const char* reason;
};
constexpr StatusReason kStatusReasons[] = {
    {SEC_E_ILLEGAL_MESSAGE, "illegal message"},
    {SEC_E_UNSUPPORTED_FUNCTION, "unsupported protocol"},
    {SEC_E_ALGORITHM_MISMATCH, "no shared cipher"},
    {SEC_E_INVALID_TOKEN, "invalid token"},
    {SEC_E_MESSAGE_ALTERED, "bad record mac"},
    {SEC_E_DECRYPT_FAILURE, "decryption failed"},
    {SEC_E_INTERNAL_ERROR, "internal error"},
    {SEC_E_CERT_UNKNOWN, "certificate unknown"},
};

TlsFault handshakeFault(std::string reason = {})
{
    return tlsFaultOf(TlsFaultKind::handshake, std::move(reason));
}

TlsFault statusFault(SECURITY_STATUS status)
{
    for (const StatusReason& known : kStatusReasons) {
        if (known.status == status)
            return handshakeFault(known.reason);
    }
    char reason[24];
    std::snprintf(reason, sizeof reason, "0x%08lX", static_cast<unsigned long>(status));
    return handshakeFault(reason);
}

class SchannelEngine : public TlsEngine {
public:
    ~SchannelEngine() override
    {
        if (haveContext_)
            DeleteSecurityContext(&context_);
        if (haveCredentials_)
            FreeCredentialsHandle(&credentials_);
    }

    bool start(const std::string& host)
    {
        if (host.empty() || host.size() > kMaxHostLength ||
            host.find('\0') != std::string::npos)
            return false;
        host_ = host;
        address_ = parseAddress(host);
        wideHost_ = widen(host);
        if (wideHost_.empty())
            return false;
        // TLS 1.3 where the system offers it through this structure, else TLS 1.2 alone.
        return acquire(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT) ||
               acquire(SP_PROT_TLS1_2_CLIENT);
    }

    TlsStep handshake(std::string& input, std::string& output) override
    {
        if (state_ == State::open)
            return TlsStep::done;
        if (state_ != State::handshaking)
            return TlsStep::failed;

        // Each round consumes input or produces output; the bound only guards against a
        // provider that does neither.
        bool retriedCredentials = false;
        for (int round = 0; round < 1000; ++round) {
            if (haveContext_ && input.empty())
                return TlsStep::needInput;

            HandshakeInput in(input);
            HandshakeOutput out;
            ULONG attributes = 0;
            SECURITY_STATUS status = InitializeSecurityContextA(
                &credentials_, haveContext_ ? &context_ : nullptr, target(), request_, 0, 0,
                haveContext_ ? in.description() : nullptr, 0, &context_, out.description(),
                &attributes, nullptr);
            // The first call (no input given) only creates the context and the ClientHello.
            bool usedInput = haveContext_;
            if (!haveContext_ && !FAILED(status))
                haveContext_ = true;

            switch (status) {
            case SEC_E_INCOMPLETE_MESSAGE:
                // Not a whole message yet: the input stays as it is until more arrives.
                return TlsStep::needInput;

            case SEC_I_INCOMPLETE_CREDENTIALS:
                // The server asks for a client certificate; we have none and go on without,
                // once, with the same input.
                if (retriedCredentials)
                    return fail(statusFault(status));
                retriedCredentials = true;
                request_ |= ISC_REQ_USE_SUPPLIED_CREDS;
                continue;

            case SEC_I_CONTINUE_NEEDED: {
                out.appendTo(output);
                std::size_t before = input.size();
                if (usedInput)
                    input.erase(0, in.used());
                if (input.empty())
                    return TlsStep::needInput;
                if (input.size() == before && out.empty())
                    return fail(handshakeFault());  // neither used nor answered: no end
                continue;           // more whole messages may be waiting in the rest
            }

            case SEC_E_OK:
                if (usedInput)
                    input.erase(0, in.used());
                // The last flight (the client's Finished in TLS 1.3) goes out only for a
                // server that proved who it is.
                if (TlsFault fault = established(); fault.kind != TlsFaultKind::none)
                    return fail(fault);
                out.appendTo(output);
                state_ = State::open;
                return TlsStep::done;

            default:
                out.appendTo(output);  // the alert telling the server why, if any
                return fail(statusFault(status));
            }
        }
        return fail(handshakeFault());
    }

    bool encrypt(std::string_view plain, std::string& output) override
    {
        if (state_ != State::open || shutDown_)
            return false;
        std::string records;
        std::vector<char> record(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
        while (!plain.empty()) {
            ULONG chunk = static_cast<ULONG>(
                std::min<std::size_t>(plain.size(), sizes_.cbMaximumMessage));
            char* header = record.data();
            char* data = header + sizes_.cbHeader;
            std::memcpy(data, plain.data(), chunk);
            SecBuffer buffers[4] = {
                {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, header},
                {chunk, SECBUFFER_DATA, data},
                {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, data + chunk},
                {0, SECBUFFER_EMPTY, nullptr},
            };
            SecBufferDesc description = {SECBUFFER_VERSION, 4, buffers};
            if (EncryptMessage(&context_, 0, &description, 0) != SEC_E_OK) {
                state_ = State::failed;
                return false;
            }
            for (int i = 0; i < 3; ++i)
                records.append(static_cast<const char*>(buffers[i].pvBuffer),
                               buffers[i].cbBuffer);
            plain.remove_prefix(chunk);
        }
        output += records;
        return true;
    }

    TlsRead decrypt(std::string& input, std::string& plain) override
    {
        if (state_ == State::closed)
            return TlsRead::closed;
        if (state_ != State::open)
            return TlsRead::failed;

        bool got = false;
        while (!input.empty()) {
            // Not even a record header yet (some providers read the header before checking
            // the length they were given).
            if (input.size() < kRecordHeaderSize)
                return got ? TlsRead::data : TlsRead::needInput;
            unsigned char recordType = static_cast<unsigned char>(input[0]);
            // An alert after data is left for the next call, so that input still holds it
            // and the caller, calling again, learns of the end (or error) it announces.
            if (got && recordType == kAlertRecord)
                return TlsRead::data;
            std::size_t length = std::min(input.size(), kMaxBuffer);
            SecBuffer buffers[4] = {
                {static_cast<ULONG>(length), SECBUFFER_DATA, input.data()},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
            };
            SecBufferDesc description = {SECBUFFER_VERSION, 4, buffers};
            SECURITY_STATUS status = DecryptMessage(&context_, &description, 0, nullptr);
            if (status == SEC_E_INCOMPLETE_MESSAGE)
                return got ? TlsRead::data : TlsRead::needInput;
            if (status != SEC_E_OK && status != SEC_I_CONTEXT_EXPIRED &&
                status != SEC_I_RENEGOTIATE) {
                state_ = State::failed;
                return TlsRead::failed;
            }
            std::size_t consumed = length - extraBytes(buffers, 4, length);

            if (status == SEC_E_OK) {
                if (consumed == 0) {  // nothing used: calling again would not get further
                    state_ = State::failed;
                    return TlsRead::failed;
                }
                // The plaintext was decrypted in place, inside input: copied out first.
                std::size_t before = plain.size();
                for (const SecBuffer& buffer : buffers)
                    if (buffer.BufferType == SECBUFFER_DATA && buffer.pvBuffer &&
                        buffer.cbBuffer > 0)
                        plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                input.erase(0, consumed);
                // Wine's Schannel reports the server's close_notify as an alert record that
                // decrypts to nothing, where Windows returns SEC_I_CONTEXT_EXPIRED.
                if (recordType == kAlertRecord && plain.size() == before) {
                    state_ = State::closed;
                    return TlsRead::closed;  // alerts are only reached with nothing got
                }
                got = true;
                continue;
            }

            input.erase(0, consumed);
            if (status == SEC_I_CONTEXT_EXPIRED) {
                // close_notify (under TLS 1.3 it cannot be told from data before decrypting):
                // whatever was decrypted before it is handed over first, and the next call
                // reports the end.
                state_ = State::closed;
                return got ? TlsRead::data : TlsRead::closed;
            }
            if (!afterHandshakeMessage(input)) {
                state_ = State::failed;
                return TlsRead::failed;
            }
        }
        return got ? TlsRead::data : TlsRead::needInput;
    }

    void shutdown(std::string& output) override
    {
        if (!haveContext_ || shutDown_)
            return;
        shutDown_ = true;
        DWORD token = SCHANNEL_SHUTDOWN;
        SecBuffer buffer = {sizeof token, SECBUFFER_TOKEN, &token};
        SecBufferDesc description = {SECBUFFER_VERSION, 1, &buffer};
        if (ApplyControlToken(&context_, &description) != SEC_E_OK)
            return;
        HandshakeOutput out;
        ULONG attributes = 0;
        SECURITY_STATUS status =
            InitializeSecurityContextA(&credentials_, &context_, target(), request_, 0, 0,
                                       nullptr, 0, &context_, out.description(), &attributes,
                                       nullptr);
        if (!FAILED(status))
            out.appendTo(output);
    }

    TlsFault fault() const override { return fault_; }

private:
    enum class State { handshaking, open, closed, failed };

    bool acquire(DWORD protocols)
    {
        SCHANNEL_CRED settings = {};
        settings.dwVersion = SCHANNEL_CRED_VERSION;
        settings.grbitEnabledProtocols = protocols;
        settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
        char package[] = UNISP_NAME_A;
        TimeStamp expiry;
        if (AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &settings,
                                      nullptr, nullptr, &credentials_, &expiry) != SEC_E_OK)
            return false;
        haveCredentials_ = true;
        return true;
    }

    // The name sent as SNI and bound to the context; none for an address.
    SEC_CHAR* target() { return address_.size ? nullptr : host_.data(); }

    TlsStep fail(const TlsFault& fault)
    {
        state_ = State::failed;
        fault_ = fault;
        return TlsStep::failed;
    }

    // After Schannel reports the handshake complete: TLS 1.2 or later was negotiated, the
    // certificate is trusted for the host, and the record sizes are known. Kind none when so.
    TlsFault established()
    {
        SecPkgContext_ConnectionInfo connection = {};
        if (QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &connection) !=
                SEC_E_OK ||
            connection.dwProtocol == 0 || (connection.dwProtocol & kOldProtocols) != 0)
            return handshakeFault("unsupported protocol");
        TlsFault fault = serverFault();
        if (fault.kind != TlsFaultKind::none)
            return fault;
        if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
            sizes_.cbMaximumMessage == 0)
            return handshakeFault();
        return fault;
    }

    TlsFault serverFault()
    {
        PCCERT_CONTEXT certificate = nullptr;
        if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
                SEC_E_OK ||
            !certificate)
            return handshakeFault("no certificate");
        TlsFault fault = certificateFault(certificate, wideHost_.data(), address_);
        CertFreeCertificateContext(certificate);
        return fault;
    }

    // DecryptMessage met a handshake message after the handshake (a TLS 1.3 session ticket):
    // Schannel takes it through InitializeSecurityContext, fed with the bytes that followed
    // it. Whatever it leaves unprocessed goes back to the front of input for decrypting. A
    // renegotiation, which would need to send, cannot be carried out here and fails.
    bool afterHandshakeMessage(std::string& input)
    {
        HandshakeInput in(input);
        HandshakeOutput out;
        ULONG attributes = 0;
        SECURITY_STATUS status = InitializeSecurityContextA(
            &credentials_, &context_, target(), request_, 0, 0, in.description(), 0, &context_,
            out.description(), &attributes, nullptr);
        if (status != SEC_E_OK || !out.empty())
            return false;
        input.erase(0, in.used());
        return true;
    }

    std::string host_;
    std::wstring wideHost_;
    Address address_;
    CredHandle credentials_ = {};
    CtxtHandle context_ = {};
    bool haveCredentials_ = false;
    bool haveContext_ = false;
    ULONG request_ = kContextRequest;
    State state_ = State::handshaking;
    TlsFault fault_;
    bool shutDown_ = false;
    SecPkgContext_StreamSizes sizes_ = {};
};

}  // namespace

std::unique_ptr<TlsEngine> TlsEngine::create(const std::string& host)
{
    auto engine = std::make_unique<SchannelEngine>();
    if (!engine->start(host))
        return nullptr;
    return engine;
}

}  // namespace vmail
