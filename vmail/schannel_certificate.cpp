// The server's certificate checked with CryptoAPI.
#include "vmail/schannel_certificate.h"

#include <ws2tcpip.h>

#include <cstring>

namespace vmail {

namespace {

// SECURITY_FLAG_IGNORE_CERT_CN_INVALID, which the SDK declares only in the WinINet and WinHTTP
// headers: the SSL policy then leaves the name to us (used for address literals).
constexpr DWORD kPolicyIgnoreName = 0x00001000;

// Chain errors that make a certificate unacceptable whatever the policy function reports. Not
// every system's SSL policy is as strict as Windows' own: Wine's passes a chain that stops
// short of any root (CERT_TRUST_IS_PARTIAL_CHAIN), as when the server's CA is unknown.
constexpr DWORD kFatalChainErrors =
    CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
    CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_CYCLIC |
    CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_IS_PARTIAL_CHAIN |
    CERT_TRUST_IS_EXPLICIT_DISTRUST;

// Whether the certificate lists the address among its subjectAltName iPAddress entries.
bool certificateHasAddress(PCCERT_CONTEXT certificate, const Address& address)
{
    PCERT_EXTENSION extension =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                          certificate->pCertInfo->rgExtension);
    if (!extension)
        return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_ALTERNATE_NAME,
                             extension->Value.pbData, extension->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size) ||
        !names)
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                entry.IPAddress.cbData == address.size &&
                std::memcmp(entry.IPAddress.pbData, address.bytes, address.size) == 0;
    }
    LocalFree(names);
    return found;
}

// Whether the certificate chains to a root the system trusts, is within its dates, may serve
// as a TLS server's and (unless ignoreName) carries serverName.
bool chainIsTrusted(PCCERT_CONTEXT certificate, wchar_t* serverName, bool ignoreName)
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
        return false;

    bool trusted = (chain->TrustStatus.dwErrorStatus & kFatalChainErrors) == 0;
    if (trusted) {
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
        trusted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy,
                                                   &status) &&
                  status.dwError == 0;
    }
    CertFreeCertificateChain(chain);
    return trusted;
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

bool certificateIsTrusted(PCCERT_CONTEXT certificate, wchar_t* serverName, const Address& address)
{
    // For an address the policy checks chain and dates only (not every system's policy matches
    // addresses); the address is then looked for among the certificate's own.
    bool isAddress = address.size != 0;
    return chainIsTrusted(certificate, serverName, isAddress) &&
           (!isAddress || certificateHasAddress(certificate, address));
}

}  // namespace vmail
