// The server's certificate checked with CryptoAPI for the Schannel engine, whose own validation
// is turned off, so that the decision is the same on every Windows version and under Wine.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "vmail/tls.h"

namespace vmail {

// The binary form of an IPv4 or IPv6 literal; size 0 when the host is a name.
struct Address {
    unsigned char bytes[16] = {};
    DWORD size = 0;
};

Address parseAddress(const std::string& host);

// The host in UTF-16 for the certificate policy, converted as the ANSI SSPI calls convert it;
// empty when it cannot be converted.
std::wstring widen(const std::string& text);

// Why the certificate cannot be trusted for the host; kind none when it chains to a root the
// system trusts, is within its dates, may serve as a TLS server's and holds the host: serverName
// (the host in UTF-16) for a name, or address among its subjectAltName iPAddress entries for an
// address literal. Of several faults an unknown issuer is told first, then the dates, then the
// name: the system's SSL policy looks at the name only for a chain in date (OpenSSL tells the name
// before the dates).
TlsFault certificateFault(PCCERT_CONTEXT certificate, wchar_t* serverName, const Address& address);

}  // namespace vmail
