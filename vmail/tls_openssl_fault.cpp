// The reason of a failed OpenSSL handshake.
#include "vmail/tls_openssl_fault.h"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <ctime>

namespace vmail {

namespace {

std::string utf8Of(const ASN1_STRING* text)
{
    unsigned char* converted = nullptr;
    int length = ASN1_STRING_to_UTF8(&converted, text);
    if (length < 0)
        return {};
    std::string result(reinterpret_cast<const char*>(converted), static_cast<std::size_t>(length));
    OPENSSL_free(converted);
    return result;
}

std::string commonName(const X509_NAME* name)
{
    int index = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    if (index < 0)
        return {};
    return utf8Of(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
}

// The certificate's DNS names and addresses (RFC 6125 6.4.4: its common name only when it has
// neither).
std::vector<std::string> namesOf(X509* certificate)
{
    std::vector<std::string> names;
    auto* alternatives = static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; alternatives && i < sk_GENERAL_NAME_num(alternatives); ++i) {
        const GENERAL_NAME* entry = sk_GENERAL_NAME_value(alternatives, i);
        if (entry->type == GEN_DNS) {
            names.push_back(utf8Of(entry->d.dNSName));
        } else if (entry->type == GEN_IPADD) {
            const ASN1_OCTET_STRING* bytes = entry->d.iPAddress;
            char text[INET6_ADDRSTRLEN] = {};
            int family = ASN1_STRING_length(bytes) == 4 ? AF_INET : AF_INET6;
            if ((ASN1_STRING_length(bytes) == 4 || ASN1_STRING_length(bytes) == 16) &&
                inet_ntop(family, ASN1_STRING_get0_data(bytes), text, sizeof text))
                names.push_back(text);
        }
    }
    GENERAL_NAMES_free(alternatives);
    if (names.empty()) {
        std::string name = commonName(X509_get_subject_name(certificate));
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

void setLocalDate(const ASN1_TIME* time, TlsFault& fault)
{
    std::tm utc = {};
    if (ASN1_TIME_to_tm(time, &utc) != 1)
        return;
    std::time_t moment = timegm(&utc);
    std::tm local = {};
    localtime_r(&moment, &local);
    fault.year = local.tm_year + 1900;
    fault.month = local.tm_mon + 1;
    fault.day = local.tm_mday;
}

// The certificate of the chain whose dates exclude now, and its end (or its start).
void findDateFault(STACK_OF(X509)* chain, TlsFault& fault)
{
    for (int i = 0; chain && i < sk_X509_num(chain); ++i) {
        X509* certificate = sk_X509_value(chain, i);
        if (X509_cmp_current_time(X509_get0_notAfter(certificate)) < 0) {
            fault.kind = TlsFaultKind::expired;
            setLocalDate(X509_get0_notAfter(certificate), fault);
            return;
        }
        if (X509_cmp_current_time(X509_get0_notBefore(certificate)) > 0) {
            fault.kind = TlsFaultKind::notYetValid;
            setLocalDate(X509_get0_notBefore(certificate), fault);
            return;
        }
    }
}

}  // namespace

TlsFault handshakeFault(const SSL* ssl, unsigned long error)
{
    TlsFault fault = tlsFaultOf(TlsFaultKind::handshake);
    STACK_OF(X509)* chain = SSL_get_peer_cert_chain(ssl);  // the server's leaf first
    const int count = chain ? sk_X509_num(chain) : 0;
    const long verified = SSL_get_verify_result(ssl);
    switch (verified) {
    case X509_V_OK:
        if (const char* reason = error ? ERR_reason_error_string(error) : nullptr)
            fault.reason = reason;
        break;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        fault.kind = verified == X509_V_ERR_CERT_HAS_EXPIRED ? TlsFaultKind::expired
                                                               : TlsFaultKind::notYetValid;
        findDateFault(chain, fault);
        break;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        fault.kind = TlsFaultKind::otherName;
        if (count > 0)
            fault.names = namesOf(sk_X509_value(chain, 0));
        break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        // The chain as the server sent it stops at the issuer nobody here trusts.
        fault.kind = TlsFaultKind::untrusted;
        if (count > 0)
            fault.reason = commonName(X509_get_issuer_name(sk_X509_value(chain, count - 1)));
        break;
    default:
        fault.reason = X509_verify_cert_error_string(verified);
        break;
    }
    return fault;
}

}  // namespace vmail
