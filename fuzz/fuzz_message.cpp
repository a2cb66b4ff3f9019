// Message composition from arbitrary code page 932 text. The input is a flags byte, then the
// display name, the subject and the body, separated by 0xFF (a byte code page 932 never uses).
// Whenever composeMessage gives a message, every line is at most 998 bytes, each line break
// is CR LF, and the message decodes back to the input: the display name and subject through
// their quoted string or RFC 2047 words, the body through its transfer encoding, compared in
// UTF-8 with the library's own conversion of the input (code page 932 has pairs that share a
// character, so UTF-8 is where "the same text" is decided). When it gives nothing, one of the
// texts must be invalid code page 932.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "tests/vmail/mail_reader.h"
#include "vmail/charset.h"
#include "vmail/message.h"

namespace {

[[noreturn]] void fail(const std::string& what, std::string_view mail)
{
    std::fprintf(stderr, "check failed: %s\n--- mail ---\n%.*s\n------------\n", what.c_str(),
                 static_cast<int>(mail.size() > 20000 ? 20000 : mail.size()), mail.data());
    std::abort();
}

// CR LF, a lone CR and a lone LF each as CR LF, as a mail carries line breaks.
std::string withCrLf(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            result += "\r\n";
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string_view nextPart(std::string_view& rest)
{
    std::size_t end = rest.find('\xff');
    std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    vmail::MessageInput input;
    input.fromName = std::string(nextPart(rest));
    input.subject = std::string(nextPart(rest));
    input.body = std::string(rest);  // the body may hold 0xFF: it must then be refused
    // Addresses from short to the longest allowed, so that folds around them are exercised.
    input.from = (flags & 1) ? std::string(240, 'f') + "@example.jp" : "taro@example.jp";
    input.to = {"hanako@example.ne.jp"};
    if (flags & 2)
        input.to.push_back(std::string(200, 't') + "@example.ne.jp");
    if (flags & 4)
        input.cc = {"boss@example.jp", "kana@example.jp"};
    if (flags & 8)
        input.extraHeader = "X-Mailer: Velmor";
    input.date = {2026, 12, 8, 1, 30, 0, 540};
    input.messageId = "<20261208013000.1.0123456789abcdef@example.jp>";

    std::optional<std::string> mail = vmail::composeMessage(input);
    const std::optional<std::string> name = vmail::cp932ToUtf8(input.fromName);
    const std::optional<std::string> subject = vmail::cp932ToUtf8(input.subject);
    const std::optional<std::string> body = vmail::cp932ToUtf8(input.body);
    if (!mail) {
        if (name && subject && body)
            fail("valid code page 932 texts were refused", "");
        return 0;
    }
    if (!name || !subject || !body)
        fail("invalid code page 932 text was composed", *mail);

    std::string problem;
    std::optional<DecodedMail> decoded = decodeMail(*mail, problem);
    if (!decoded)
        fail(problem, *mail);
    if (decoded->fromAddress != input.from)
        fail("From address", *mail);
    if (input.fromName.empty() ? decoded->fromName.has_value()
                               : decoded->fromName != *name)
        fail("display name does not read back", *mail);
    if (decoded->subject != *subject)
        fail("subject does not read back", *mail);

    const std::string expected = withCrLf(*body);
    if (decoded->transferEncoding == "7bit") {
        if (decoded->contentType != "text/plain; charset=us-ascii")
            fail("7bit body without the us-ascii charset", *mail);
        // A 7bit body always ends with a line break on the wire.
        const bool ends = expected.size() >= 2 && expected.compare(expected.size() - 2, 2, "\r\n") == 0;
        if (decoded->text != (expected.empty() || ends ? expected : expected + "\r\n"))
            fail("7bit body does not read back", *mail);
    } else {
        if (decoded->contentType != "text/plain; charset=UTF-8")
            fail("base64 body without the UTF-8 charset", *mail);
        if (decoded->text != expected)
            fail("base64 body does not read back", *mail);
    }
    return 0;
}
