// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104), byte by byte so that the host's endianness never matters.
#include "vmail/md5.h"

#include <cstddef>

namespace vmail {
namespace {

constexpr std::size_t kBlockSize = 64;  // RFC 1321 3.4: 16 words of 32 bits

// RFC 1321 3.4: T[i] = floor(4294967296 * abs(sin(i))), i = 1..64.
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Left rotations of each step, four per round (RFC 1321 3.4).
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t rotateLeft(std::uint32_t value, int count)
{
    return (value << count) | (value >> (32 - count));
}

class Md5 {
public:
    void update(std::string_view data)
    {
        for (char c : data) {
            block_[used_++] = static_cast<std::uint8_t>(c);
            if (used_ == kBlockSize) {
                transform();
                used_ = 0;
            }
        }
        length_ += data.size();
    }

    // RFC 1321 3.1 and 3.2: a 1 bit, zeros up to 56 bytes modulo 64, the bit length little-endian.
    Md5Digest finish()
    {
        std::uint64_t bits = length_ * 8;
        update(std::string_view("\x80", 1));
        while (used_ != kBlockSize - 8)
            update(std::string_view("\0", 1));
        for (int i = 0; i < 8; ++i)
            block_[used_++] = static_cast<std::uint8_t>(bits >> (8 * i));
        transform();
        Md5Digest digest{};
        for (std::size_t i = 0; i < 16; ++i)
            digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (8 * (i % 4)));
        return digest;
    }

private:
    // RFC 1321 3.4: the four rounds of sixteen steps over one 64-byte block.
    void transform()
    {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = static_cast<std::uint32_t>(block_[4 * i]) |
                   static_cast<std::uint32_t>(block_[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(block_[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(block_[4 * i + 3]) << 24;
        std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
        for (int i = 0; i < 64; ++i) {
            int round = i / 16;
            std::uint32_t f;
            int k;
            switch (round) {
            case 0: f = (b & c) | (~b & d); k = i; break;
            case 1: f = (b & d) | (c & ~d); k = (5 * i + 1) % 16; break;
            case 2: f = b ^ c ^ d; k = (3 * i + 5) % 16; break;
            default: f = c ^ (b | ~d); k = (7 * i) % 16; break;
            }
            std::uint32_t next = b + rotateLeft(a + f + x[k] + kSine[i], kShift[round][i % 4]);
            a = d;
            d = c;
            c = b;
            b = next;
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
    }

    std::uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};  // RFC 1321 3.3
    std::uint8_t block_[kBlockSize] = {};
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace

Md5Digest md5(std::string_view data)
{
    Md5 hash;
    hash.update(data);
    return hash.finish();
}

// RFC 2104 2: H(K XOR opad, H(K XOR ipad, text)), a key longer than a block hashed first.
Md5Digest hmacMd5(std::string_view key, std::string_view data)
{
    std::string block(kBlockSize, '\0');
    if (key.size() > kBlockSize) {
        Md5Digest keyDigest = md5(key);
        block.replace(0, keyDigest.size(), reinterpret_cast<const char*>(keyDigest.data()),
                      keyDigest.size());
    } else {
        block.replace(0, key.size(), key);
    }
    std::string inner = block;
    std::string outer = block;
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        inner[i] = static_cast<char>(inner[i] ^ 0x36);
        outer[i] = static_cast<char>(outer[i] ^ 0x5c);
    }
    Md5 innerHash;
    innerHash.update(inner);
    innerHash.update(data);
    Md5Digest innerDigest = innerHash.finish();
    Md5 outerHash;
    outerHash.update(outer);
    outerHash.update(std::string_view(reinterpret_cast<const char*>(innerDigest.data()),
                                      innerDigest.size()));
    return outerHash.finish();
}

std::string toHex(const Md5Digest& digest)
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * digest.size());
    for (std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    return hex;
}

}  // namespace vmail
