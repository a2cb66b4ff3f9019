// Why an OpenSSL handshake failed, read from the session after the failure: the verification's
// result with the certificate's dates, names or issuer, or the library's own reason.
#pragma once

#include <openssl/ssl.h>

#include "vmail/tls.h"

namespace vmail {

// error is the first of OpenSSL's queued errors for the failed step (0 for none).
TlsFault handshakeFault(const SSL* ssl, unsigned long error);

}  // namespace vmail
