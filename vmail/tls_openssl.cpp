// The TLS engine on OpenSSL, through a pair of memory BIOs: OpenSSL never touches the socket.
#include "vmail/tls.h"
#include "vmail/tls_openssl_fault.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <mutex>

namespace vmail {

namespace {

bool isAddressLiteral(const std::string& host)
{
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// One context for the process: it holds the trusted roots, read once from the system's store
// (or the file named by SSL_CERT_FILE).
SSL_CTX* clientContext()
{
    static std::once_flag once;
    static SSL_CTX* context = nullptr;
    std::call_once(once, [] {
        SSL_CTX* made = SSL_CTX_new(TLS_client_method());
        if (!made)
            return;
        SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
        SSL_CTX_set_verify(made, SSL_VERIFY_PEER, nullptr);
        if (SSL_CTX_set_default_verify_paths(made) != 1) {
            SSL_CTX_free(made);
            return;
        }
        context = made;
    });
    return context;
}

class OpenSslEngine : public TlsEngine {
public:
    ~OpenSslEngine() override { SSL_free(ssl_); }  // frees both BIOs with it

    bool start(const std::string& host)
    {
        SSL_CTX* context = clientContext();
        if (!context || host.empty())
            return false;
        ssl_ = SSL_new(context);
        if (!ssl_)
            return false;
        incoming_ = BIO_new(BIO_s_mem());
        outgoing_ = BIO_new(BIO_s_mem());
        if (!incoming_ || !outgoing_) {
            BIO_free(incoming_);
            BIO_free(outgoing_);
            incoming_ = outgoing_ = nullptr;
            return false;
        }
        SSL_set_bio(ssl_, incoming_, outgoing_);
        SSL_set_connect_state(ssl_);
        X509_VERIFY_PARAM* check = SSL_get0_param(ssl_);
        if (isAddressLiteral(host))
            return X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str()) == 1;
        X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        return SSL_set_tlsext_host_name(ssl_, host.c_str()) == 1 &&
               X509_VERIFY_PARAM_set1_host(check, host.c_str(), host.size()) == 1;
    }

    TlsStep handshake(std::string& input, std::string& output) override
    {
        feed(input);
        int result = SSL_do_handshake(ssl_);
        drain(output);
        if (result == 1) {
            if (SSL_get_verify_result(ssl_) == X509_V_OK)
                return TlsStep::done;
            fault_ = handshakeFault(ssl_, 0);
            return TlsStep::failed;
        }
        int error = SSL_get_error(ssl_, result);
        if (error != SSL_ERROR_WANT_READ)
            fault_ = handshakeFault(ssl_, ERR_peek_error());
        ERR_clear_error();
        return error == SSL_ERROR_WANT_READ ? TlsStep::needInput : TlsStep::failed;
    }

    bool encrypt(std::string_view plain, std::string& output) override
    {
        while (!plain.empty()) {
            std::size_t written = 0;
            if (SSL_write_ex(ssl_, plain.data(), plain.size(), &written) != 1) {
                ERR_clear_error();
                return false;
            }
            plain.remove_prefix(written);
        }
        drain(output);
        return true;
    }

    TlsRead decrypt(std::string& input, std::string& plain) override
    {
        feed(input);
        char chunk[4096];
        bool got = false;
        for (;;) {
            std::size_t read = 0;
            int result = SSL_read_ex(ssl_, chunk, sizeof chunk, &read);
            if (result == 1) {
                plain.append(chunk, read);
                got = true;
                continue;
            }
            int error = SSL_get_error(ssl_, result);
            ERR_clear_error();
            if (error == SSL_ERROR_WANT_READ)
                return got ? TlsRead::data : TlsRead::needInput;
            if (error == SSL_ERROR_ZERO_RETURN)
                return got ? TlsRead::data : TlsRead::closed;
            return TlsRead::failed;
        }
    }

    void shutdown(std::string& output) override
    {
        SSL_shutdown(ssl_);
        ERR_clear_error();
        drain(output);
    }

    TlsFault fault() const override { return fault_; }

private:
    // The memory BIO takes every byte, so nothing stays behind in input.
    void feed(std::string& input)
    {
        if (!input.empty() && BIO_write(incoming_, input.data(), static_cast<int>(input.size())) > 0)
            input.clear();
    }

    void drain(std::string& output)
    {
        char chunk[4096];
        int read;
        while ((read = BIO_read(outgoing_, chunk, sizeof chunk)) > 0)
            output.append(chunk, static_cast<std::size_t>(read));
    }

    SSL* ssl_ = nullptr;
    BIO* incoming_ = nullptr;
    BIO* outgoing_ = nullptr;
    TlsFault fault_;
};

}  // namespace

std::unique_ptr<TlsEngine> TlsEngine::create(const std::string& host)
{
    auto engine = std::make_unique<OpenSslEngine>();
    if (!engine->start(host))
        return nullptr;
    return engine;
}

}  // namespace vmail
