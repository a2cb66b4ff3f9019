// What a certificate says about itself, read with CryptoAPI for the Schannel engine: its
// subjectAltName entries, the names it is issued for, its issuer's common name, and its dates as
// the user's calendar has them.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <functional>
#include <string>
#include <vector>

#include "vmail/tls.h"

namespace vmail {

// Calls visit with each subjectAltName entry until it returns true; whether one did.
bool anyAltName(PCCERT_CONTEXT certificate,
                const std::function<bool(const CERT_ALT_NAME_ENTRY&)>& visit);

// The DNS names and addresses the certificate is issued for, in UTF-8 (RFC 6125 6.4.4: its
// subject's common name only when it has neither).
std::vector<std::string> certificateNames(PCCERT_CONTEXT certificate);

// The common name of the certificate's issuer, in UTF-8; empty when it has none.
std::string issuerName(PCCERT_CONTEXT certificate);

// Sets the fault's day to time in local time.
void setLocalDate(const FILETIME& time, TlsFault& fault);

}  // namespace vmail
