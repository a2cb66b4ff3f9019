// MD5, HMAC-MD5 and base64 against the vectors of their RFCs and the SASL and POP3 examples.
#include "vmail/base64.h"
#include "vmail/md5.h"

#include <gtest/gtest.h>

using vmail::base64Decode;
using vmail::base64Encode;
using vmail::hmacMd5;
using vmail::md5;
using vmail::toHex;

namespace {

std::string allByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

}  // namespace

TEST(Md5, GivesTheRfc1321TestSuiteAndDigestsAroundTheBlockBoundaries)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Where the padding and the length just fit in a block or need another one.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
        {allByteValues(), "e2c865db4162bed963bfaa9ef6ac18f0"},
    };
    for (const auto& [input, hex] : cases)
        EXPECT_EQ(toHex(md5(input)), hex) << input.size() << " bytes";
}

TEST(Md5, GivesTheApopDigestOfRfc1939)
{
    EXPECT_EQ(toHex(md5("<1896.697170952@dbc.mtview.ca.us>tanstaaf")),
              "c4c9334bac560ecc979e58001b3e22fb");
}

TEST(HmacMd5, GivesTheDigestsOfRfc2104And2202)
{
    std::string key25;
    for (int i = 1; i <= 25; ++i)
        key25 += static_cast<char>(i);
    const struct {
        std::string key, data;
        const char* hex;
    } cases[] = {
        {std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d"},
        {"Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738"},
        {std::string(16, '\xaa'), std::string(50, '\xdd'), "56be34521d144c88dbb8c733f0e8b3f6"},
        {key25, std::string(50, '\xcd'), "697eaf0aca3a3aea3a75164746ffaa79"},
        // A key longer than a block is hashed first (RFC 2104 2); one of a block is used as is.
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},
        {std::string(64, 'k'), "x", "f38420ee2e6c7cd5d9977bffba49d984"},
        {std::string(65, 'k'), "x", "35d6a3481580c58aab0efcc7f04c5e59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toHex(hmacMd5(c.key, c.data)), c.hex) << c.data;
}

TEST(HmacMd5, GivesTheCramMd5ExchangeOfRfc2195)
{
    std::optional<std::string> challenge =
        base64Decode("PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+");
    ASSERT_EQ(challenge, "<1896.697170952@postoffice.reston.mci.net>");
    std::string digest = toHex(hmacMd5("tanstaaftanstaaf", *challenge));
    EXPECT_EQ(digest, "b913a602c7eda7a495b4e6e7334d3890");
    EXPECT_EQ(base64Encode("tim " + digest), "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw");
}

TEST(Base64, EncodesAndDecodesTheRfc4648VectorsAndEveryByte)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},
        {"foo", "Zm9v"},    {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"}, {"\xfb\xff\xbf", "+/+/"},
    };
    for (const auto& [data, text] : cases) {
        EXPECT_EQ(base64Encode(data), text);
        EXPECT_EQ(base64Decode(text), data) << text;
    }
    std::string text = base64Encode(allByteValues());
    EXPECT_TRUE(text.starts_with("AAECAwQF") && text.ends_with("/P3+/w==")) << text;
    EXPECT_EQ(base64Decode(text), allByteValues());
}

TEST(Base64, SkipsBlanksAndLineBreaks)
{
    EXPECT_EQ(base64Decode("Zm9v\r\nYmFy\r\n"), "foobar");
    EXPECT_EQ(base64Decode(" Zm 9v\tYg= =\n"), "foob");
    EXPECT_EQ(base64Decode(" \r\n\t"), "");
}

TEST(Base64, RejectsWhatCannotBeBase64)
{
    const std::string rejected[] = {
        "Z",        "Zg",       "Zm9",      "Zg=",    "Zm9vY",                 // not whole quanta
        "Zg===",    "Z===",     "====",     "=Zg=",   "Zm=v",                  // padding misplaced
        "Zg==Zg==", "Zm8=Zm9v",                                                // data after padding
        "Zm9v!",    "Zm9v-_==", "Zm9v\xc3\xa9", std::string("Zm\0v", 4),       // not the alphabet
    };
    for (const std::string& text : rejected)
        EXPECT_FALSE(base64Decode(text)) << text;
}
