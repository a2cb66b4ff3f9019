// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104), for APOP and CRAM-MD5.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vmail {

using Md5Digest = std::array<std::uint8_t, 16>;

Md5Digest md5(std::string_view data);
Md5Digest hmacMd5(std::string_view key, std::string_view data);

// The digest as 32 lower-case hexadecimal digits, as APOP and CRAM-MD5 send it.
std::string toHex(const Md5Digest& digest);

}  // namespace vmail
