// The server's certificate checked with CryptoAPI.
#include "vmail/schannel_certificate.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

#include "vmail/schannel_names.h"

namespace vmail {

namespace {

// SECURITY_FLAG_IGNORE_CERT_CN_INVALID, which the SDK declares only in the WinINet and WinHTTP
// headers: the SSL policy then leaves the name to us (used for address literals).
constexpr DWORD kPolicyIgnoreName = 0x00001000;

// A chain that reaches no root the system trusts. Not every system's SSL policy is as strict as
// Windows' own: Wine's passes a chain that stops short of any root (CERT_TRUST_IS_PARTIAL_CHAIN),
// as when the server's CA is unknown, so the chain's own errors are looked at first.
constexpr DWORD kUntrustedChain = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN;

// The other chain errors that make a certificate unacceptable whatever the policy reports, with
// what they mean (in OpenSSL's words, so that both engines say the same).
struct ChainError {
    DWORD flag;
    const char* reason;
};
constexpr ChainError kChainErrors[] = {
    {CERT_TRUST_IS_REVOKED, "certificate revoked"},
    {CERT_TRUST_IS_NOT_SIGNATURE_VALID, "certificate signature failure"},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, "unsupported certificate purpose"},
    {CERT_TRUST_INVALID_BASIC_CONSTRAINTS, "invalid CA certificate"},
    {CERT_TRUST_IS_CYCLIC, "certificate chain is cyclic"},
    {CERT_TRUST_IS_EXPLICIT_DISTRUST, "certificate rejected"},
};

bool certificateHasAddress(PCCERT_CONTEXT certificate, const Address& address)
{
    return anyAltName(certificate, [&](const CERT_ALT_NAME_ENTRY& entry) {
        return entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
               entry.IPAddress.cbData == address.size &&
               std::memcmp(entry.IPAddress.pbData, address.bytes, address.size) == 0;
    });
}

TlsFault otherNameFault(PCCERT_CONTEXT certificate)
{
    TlsFault fault = tlsFaultOf(TlsFaultKind::otherName);
    fault.names = certificateNames(certificate);
    return fault;
}

// The first certificate of the chain, from the server's own, that is outside its dates.
TlsFault dateFault(PCCERT_CHAIN_CONTEXT chain)
{
    TlsFault fault = tlsFaultOf(TlsFaultKind::expired);
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    for (DWORD i = 0; i < simple->cElement; ++i) {
        const CERT_INFO* info = simple->rgpElement[i]->pCertContext->pCertInfo;
        LONG when = CertVerifyTimeValidity(nullptr, const_cast<CERT_INFO*>(info));
        if (when < 0) {
            fault.kind = TlsFaultKind::notYetValid;
            setLocalDate(info->NotBefore, fault);
            return fault;
        }
        if (when > 0) {
            setLocalDate(info->NotAfter, fault);
            return fault;
        }
    }
    return fault;
}

// The issuer of the last certificate the chain reached.
TlsFault untrustedFault(PCCERT_CHAIN_CONTEXT chain)
{
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    return tlsFaultOf(TlsFaultKind::untrusted,
                   issuerName(simple->rgpElement[simple->cElement - 1]->pCertContext));
}

TlsFault chainErrorFault(PCCERT_CHAIN_CONTEXT chain)
{
    const DWORD errors = chain->TrustStatus.dwErrorStatus;
    if (errors & kUntrustedChain)
        return untrustedFault(chain);
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID)
        return dateFault(chain);
    for (const ChainError& error : kChainErrors) {
        if (errors & error.flag)
            return tlsFaultOf(TlsFaultKind::handshake, error.reason);
    }
    return tlsFaultOf(TlsFaultKind::none);
}

TlsFault policyFault(PCCERT_CHAIN_CONTEXT chain, PCCERT_CONTEXT certificate, DWORD error)
{
    switch (static_cast<HRESULT>(error)) {
    case CERT_E_EXPIRED: return dateFault(chain);
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING: return untrustedFault(chain);
    case CERT_E_CN_NO_MATCH: return otherNameFault(certificate);
    }
    char reason[40];
    std::snprintf(reason, sizeof reason, "certificate policy error 0x%08lX",
                  static_cast<unsigned long>(error));
    return tlsFaultOf(TlsFaultKind::handshake, reason);
}

// Why the certificate does not chain to a root the system trusts, is outside its dates, may not
// serve as a TLS server's or (unless ignoreName) does not carry serverName.
TlsFault chainFault(PCCERT_CONTEXT certificate, wchar_t* serverName, bool ignoreName)
{
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;

    // The intermediates the server sent are in the certificate's own store.
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore,
                                 &chainPara, 0, nullptr, &chain) ||
        !chain)
        return tlsFaultOf(TlsFaultKind::handshake, "no certificate chain");

    TlsFault fault = chain->cChain > 0 && chain->rgpChain[0]->cElement > 0
                         ? chainErrorFault(chain)
                         : tlsFaultOf(TlsFaultKind::handshake, "no certificate chain");
    if (fault.kind == TlsFaultKind::none) {
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.fdwChecks = ignoreName ? kPolicyIgnoreName : 0;
        ssl.pwszServerName = serverName;
        CERT_CHAIN_POLICY_PARA policy = {};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status = {};
        status.cbSize = sizeof status;
        if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
            fault = tlsFaultOf(TlsFaultKind::handshake, "no certificate policy");
        else if (status.dwError != 0)
            fault = policyFault(chain, certificate, status.dwError);
    }
    CertFreeCertificateChain(chain);
    return fault;
}

}  // namespace

Address parseAddress(const std::string& host)
{
    Address address;
    if (inet_pton(AF_INET, host.c_str(), address.bytes) == 1)
        address.size = 4;
    else if (inet_pton(AF_INET6, host.c_str(), address.bytes) == 1)
        address.size = 16;
    return address;
}

std::wstring widen(const std::string& text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length) != length)
        return {};
    return wide;
}

TlsFault certificateFault(PCCERT_CONTEXT certificate, wchar_t* serverName, const Address& address)
{
    // For an address the policy checks chain and dates only (not every system's policy matches
    // addresses); the address is then looked for among the certificate's own.
    bool isAddress = address.size != 0;
    TlsFault fault = chainFault(certificate, serverName, isAddress);
    bool addressMissing = isAddress && !certificateHasAddress(certificate, address);
    if (fault.kind == TlsFaultKind::none && addressMissing)
        fault = otherNameFault(certificate);
    return fault;
}

}  // namespace vmail
