// A certificate's names and dates.
#include "vmail/schannel_names.h"

#include <ws2tcpip.h>

namespace vmail {

namespace {

std::string utf8Of(const wchar_t* text)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length - 1));  // without the terminating NUL
    return utf8;
}

std::string commonName(PCCERT_CONTEXT certificate, DWORD flags)
{
    char oid[] = szOID_COMMON_NAME;
    wchar_t name[256] = {};
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, flags, oid, name, 256);
    return utf8Of(name);
}

}  // namespace

bool anyAltName(PCCERT_CONTEXT certificate,
                const std::function<bool(const CERT_ALT_NAME_ENTRY&)>& visit)
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
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i)
        found = visit(names->rgAltEntry[i]);
    LocalFree(names);
    return found;
}

std::vector<std::string> certificateNames(PCCERT_CONTEXT certificate)
{
    std::vector<std::string> names;
    anyAltName(certificate, [&](const CERT_ALT_NAME_ENTRY& entry) {
        if (entry.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME) {
            names.push_back(utf8Of(entry.pwszDNSName));
        } else if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                   (entry.IPAddress.cbData == 4 || entry.IPAddress.cbData == 16)) {
            char text[INET6_ADDRSTRLEN] = {};
            if (inet_ntop(entry.IPAddress.cbData == 4 ? AF_INET : AF_INET6,
                          entry.IPAddress.pbData, text, sizeof text))
                names.push_back(text);
        }
        return false;
    });
    if (names.empty()) {
        std::string name = commonName(certificate, 0);
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

std::string issuerName(PCCERT_CONTEXT certificate)
{
    return commonName(certificate, CERT_NAME_ISSUER_FLAG);
}

void setLocalDate(const FILETIME& time, TlsFault& fault)
{
    SYSTEMTIME utc;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&time, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return;
    fault.year = local.wYear;
    fault.month = local.wMonth;
    fault.day = local.wDay;
}

}  // namespace vmail
