// The composed mail read back as a mail reader reads it: fields unfolded, encoded words and
// base64 decoded, and compared with the text that went in.
#include "vmail/message.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

#include "tests/support/test_files.h"
#include "vmail/base64.h"

using vmail::composeMessage;
using vmail::formatMailDate;
using vmail::MailDate;
using vmail::makeMessageId;
using vmail::MessageInput;

namespace {

struct Parsed {
    std::vector<std::string> lines;  // without their CR LF
    std::vector<std::pair<std::string, std::string>> fields;  // name, unfolded value
    std::string body;

    std::string value(std::string_view name) const
    {
        for (const auto& [n, v] : fields) {
            if (n == name)
                return v;
        }
        return "<missing>";
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto& field : fields)
            result.push_back(field.first);
        return result;
    }
};

// Splits a message into lines, failing on a line over 998 bytes or not ended by CR LF, then into
// fields (continuation lines unfolded, RFC 5322 3.2.2) and body.
Parsed parse(const std::string& message)
{
    Parsed parsed;
    std::size_t start = 0;
    for (std::size_t end; start < message.size(); start = end + 2) {
        end = message.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "message does not end in CR LF";
            break;
        }
        parsed.lines.push_back(message.substr(start, end - start));
        EXPECT_EQ(parsed.lines.back().find_first_of("\r\n"), std::string::npos) << "bare CR or LF";
        EXPECT_LE(parsed.lines.back().size(), 998u);
    }
    std::size_t i = 0;
    for (; i < parsed.lines.size() && !parsed.lines[i].empty(); ++i) {
        const std::string& line = parsed.lines[i];
        std::size_t colon = line.find(':');
        if (line[0] == ' ' && !parsed.fields.empty())
            parsed.fields.back().second += line;
        else if (colon != std::string::npos)
            parsed.fields.emplace_back(line.substr(0, colon), line.substr(colon + 1));
        else
            ADD_FAILURE() << "not a header line: " << line;
    }
    for (auto& field : parsed.fields)
        field.second.erase(0, field.second.find_first_not_of(' '));
    EXPECT_LT(i, parsed.lines.size()) << "no blank line after the header";
    if (std::size_t blank = message.find("\r\n\r\n"); blank != std::string::npos)
        parsed.body = message.substr(blank + 4);
    return parsed;
}

// The text of a value made of blank-separated RFC 2047 B-encoded UTF-8 words; blanks between
// words are dropped (RFC 2047 6.2). Fails on a word over 75 characters or one that begins
// inside a character, which is what splitting a character would leave.
std::string decodeWords(const std::string& value)
{
    std::string text;
    std::istringstream words(value);
    for (std::string word; words >> word;) {
        EXPECT_LE(word.size(), 75u);
        if (word.size() < 12 || word.rfind("=?UTF-8?B?", 0) != 0 || !word.ends_with("?=")) {
            ADD_FAILURE() << "not an encoded word: " << word;
            break;
        }
        std::string piece = vmail::base64Decode(word.substr(10, word.size() - 12)).value_or("?");
        EXPECT_NE(static_cast<unsigned char>(piece[0]) & 0xc0, 0x80) << "split character";
        text += piece;
    }
    return text;
}

// The base64 body decoded, its lines checked to be 76 characters but the last.
std::string decodedBody(const Parsed& parsed)
{
    auto line = std::find(parsed.lines.begin(), parsed.lines.end(), "") + 1;
    for (; line < parsed.lines.end() - 1; ++line)
        EXPECT_EQ(line->size(), 76u);
    return vmail::base64Decode(parsed.body).value_or("<not base64>");
}

MailDate japanDate() { return MailDate{2026, 12, 7, 14, 5, 3, 540}; }

MessageInput simpleInput()
{
    MessageInput input;
    input.from = "taro@example.jp";
    input.to = {"hanako@example.com"};
    input.subject = "Hello";
    input.body = "See you at 7.";
    input.date = japanDate();
    input.messageId = "<20261207140503.1.0123456789abcdef@example.jp>";
    return input;
}

MessageInput withSubject(std::string subject)
{
    MessageInput input = simpleInput();
    input.subject = std::move(subject);
    return input;
}

MessageInput withBody(std::string body)
{
    MessageInput input = simpleInput();
    input.body = std::move(body);
    return input;
}

Parsed composed(const MessageInput& input)
{
    std::optional<std::string> message = composeMessage(input);
    EXPECT_TRUE(message) << "refused";
    return parse(message.value_or(""));
}

const std::vector<std::string> kFieldOrder = {"Date",         "From",       "To",
                                              "Subject",      "Message-ID", "MIME-Version",
                                              "Content-Type", "Content-Transfer-Encoding"};

}  // namespace

TEST(ComposeMessage, WritesAnAsciiMailExactly)
{
    MessageInput input = simpleInput();
    input.cc = {"jiro@example.net"};
    input.extraHeader = "X-Mailer: Velmor";
    EXPECT_EQ(composeMessage(input),
              "Date: Mon, 07 Dec 2026 14:05:03 +0900\r\n"
              "From: taro@example.jp\r\n"
              "To: hanako@example.com\r\n"
              "Cc: jiro@example.net\r\n"
              "Subject: Hello\r\n"
              "Message-ID: <20261207140503.1.0123456789abcdef@example.jp>\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=us-ascii\r\n"
              "Content-Transfer-Encoding: 7bit\r\n"
              "X-Mailer: Velmor\r\n"
              "\r\n"
              "See you at 7.\r\n");
    EXPECT_EQ(composed(simpleInput()).names(), kFieldOrder);
}

TEST(ComposeMessage, FoldsLongAddressListsAfterCommas)
{
    MessageInput input = simpleInput();
    for (int i = 0; i < 12; ++i)
        input.cc.push_back("person" + std::to_string(i) + "@example.com");
    Parsed parsed = composed(input);
    for (const std::string& line : parsed.lines)
        EXPECT_LE(line.size(), 78u) << line;
    EXPECT_EQ(parsed.value("Cc").substr(0, 40), "person0@example.com, person1@example.com");
}

TEST(ComposeMessageBody, SendsAsciiAs7bitWithEveryLineBreakAsCrLfAndDotsLeftAlone)
{
    Parsed parsed = composed(withBody("one\ntwo\rthree\r\n\n.\n..\n.x"));
    EXPECT_EQ(parsed.value("Content-Type"), "text/plain; charset=us-ascii");
    EXPECT_EQ(parsed.value("Content-Transfer-Encoding"), "7bit");
    EXPECT_EQ(parsed.body, "one\r\ntwo\r\nthree\r\n\r\n.\r\n..\r\n.x\r\n");
}

TEST(ComposeMessageBody, SendsJapaneseAsBase64Utf8)
{
    std::string body = cp932("こんにちは。\n") + "\x87\x40\x81\x60\r\n\xbb\xb0\xcb\xde\xbd\r";
    std::string expected = "こんにちは。\r\n①～\r\nｻｰﾋﾞｽ\r\n";
    for (int i = 0; i < 40; ++i) {
        body += cp932("纊髙の行\n");
        expected += "纊髙の行\r\n";
    }
    Parsed parsed = composed(withBody(body));
    EXPECT_EQ(parsed.value("Content-Type"), "text/plain; charset=UTF-8");
    EXPECT_EQ(parsed.value("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(decodedBody(parsed), expected);
}

TEST(ComposeMessageBody, SendsAsciiThatIsNot7bitAsBase64)
{
    for (const std::string& body : {std::string(5000, 'x'), "a\r\n" + std::string(999, 'y'),
                                    std::string("nul\0", 4)}) {
        Parsed parsed = composed(withBody(body));
        EXPECT_EQ(parsed.value("Content-Transfer-Encoding"), "base64") << body.size();
        EXPECT_EQ(decodedBody(parsed), body);
    }
    EXPECT_EQ(composed(withBody(std::string(998, 'y'))).value("Content-Transfer-Encoding"), "7bit");
}

TEST(ComposeMessageBody, EmptySubjectAndBodyGiveAnEmptyFieldAndNoBody)
{
    MessageInput input = withSubject("");
    input.body.clear();
    std::optional<std::string> message = composeMessage(input);
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("\r\nSubject:\r\nMessage-ID:"), std::string::npos);
    EXPECT_TRUE(message->ends_with("Content-Transfer-Encoding: 7bit\r\n\r\n"));
    EXPECT_EQ(parse(*message).names(), kFieldOrder);
}

TEST(ComposeMessageSubject, FoldsLongAsciiAtBlanksWithoutABlankOnlyLine)
{
    std::string subject = std::string(60, 'a') + "     " + std::string(70, 'b') + "  c";
    for (int i = 0; i < 30; ++i)
        subject += " word" + std::to_string(i);
    Parsed parsed = composed(withSubject(subject));
    EXPECT_EQ(parsed.value("Subject"), subject);
    EXPECT_GT(parsed.lines.size(), kFieldOrder.size() + 5) << "not folded";
    for (auto line = parsed.lines.begin(); line != parsed.lines.end() && !line->empty(); ++line) {
        EXPECT_LE(line->size(), 78u);
        EXPECT_NE(line->find_first_not_of(' '), std::string::npos) << "a line of blanks only";
    }
}

TEST(ComposeMessageSubject, EncodesAsciiThatAReaderWouldNotGiveBack)
{
    const std::string subjects[] = {" leading blank", "trailing blank ", "tab\there",
                                    "looks =?UTF-8?B?QQ==?= encoded", "del\x7f", "  ",
                                    std::string(1200, 'z')};
    for (const std::string& subject : subjects) {
        std::string value = composed(withSubject(subject)).value("Subject");
        EXPECT_TRUE(value.starts_with("=?UTF-8?B?")) << subject;
        EXPECT_EQ(decodeWords(value), subject);
    }
}

TEST(ComposeMessageSubject, Encodes300BytesOfJapaneseInWordsOfWholeCharacters)
{
    std::string subject, expected;
    for (int i = 0; i < 15; ++i) {
        // UTF-8 characters of one, two and three bytes, so that word ends fall inside some.
        subject += cp932("日本語の件名①") + "\x81\x60" + "ab" + cp932("α");
        expected += "日本語の件名①～abα";
    }
    ASSERT_EQ(subject.size(), 300u);
    Parsed parsed = composed(withSubject(subject));
    EXPECT_EQ(decodeWords(parsed.value("Subject")), expected);
    EXPECT_EQ(parsed.lines[3].substr(0, 19), "Subject: =?UTF-8?B?");
    for (std::size_t i = 4; i < parsed.lines.size() && parsed.lines[i][0] == ' '; ++i) {
        EXPECT_EQ(parsed.lines[i].substr(0, 11), " =?UTF-8?B?");
        EXPECT_LE(parsed.lines[i].size(), 76u);
    }
}

TEST(ComposeMessageFrom, QuotesAnAsciiDisplayNameAndEncodesAJapaneseOne)
{
    MessageInput input = simpleInput();
    input.fromName = "Taro \"T\" Yamada\\";
    EXPECT_EQ(composed(input).value("From"), R"("Taro \"T\" Yamada\\" <taro@example.jp>)");
    input.fromName = cp932("山田太郎") + "\xbb\xb0\xcb\xde\xbd";
    std::string from = composed(input).value("From");
    ASSERT_TRUE(from.ends_with(" <taro@example.jp>")) << from;
    EXPECT_EQ(decodeWords(from.substr(0, from.size() - 18)), "山田太郎ｻｰﾋﾞｽ");
}

TEST(ComposeMessageFrom, FoldsALongDisplayNameBeforeTheAddress)
{
    MessageInput input = simpleInput();
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        input.fromName += cp932("長");
        expected += "長";
    }
    input.from = std::string(60, 'm') + "@example.jp";
    Parsed parsed = composed(input);
    for (const std::string& line : parsed.lines)
        EXPECT_LE(line.size(), 78u) << line;
    std::string from = parsed.value("From");
    std::string address = " <" + input.from + ">";
    ASSERT_TRUE(from.ends_with(address)) << from;
    EXPECT_EQ(decodeWords(from.substr(0, from.size() - address.size())), expected);
}

TEST(ComposeMessageInjection, LineBreaksInSubjectOrNameStayInsideTheirField)
{
    const std::string texts[] = {"x\r\nBcc: evil@example.com", "x\nBcc: evil@example.com",
                                 "x\rBcc: evil@example.com", "x\r\n\r\nbody",
                                 cp932("件名") + "\r\nBcc: evil@example.com"};
    for (const std::string& text : texts) {
        MessageInput input = withSubject(text);
        input.fromName = text;
        Parsed parsed = composed(input);
        EXPECT_EQ(parsed.names(), kFieldOrder);
        EXPECT_EQ(parsed.body, "See you at 7.\r\n");
    }
    EXPECT_EQ(decodeWords(composed(withSubject(texts[0])).value("Subject")), texts[0]);
}

TEST(ComposeMessageInjection, RefusesInputThatCannotBeSentSafely)
{
    const std::string headers[] = {
        "X-A: b\r\nBcc: evil@example.com", "X-A: b\r\n", "X-A: b\n", "X-A: b\r",
        std::string("X-A: b\0c", 8), "No colon", ": no name", "X A: blank in name",
        "X-A: \x82\xa0", "Bcc: evil@example.com", "subject: again", "Content-Type: text/html",
        "X-A: " + std::string(994, 'v')};
    const std::string addresses[] = {
        "a@example.com\r\nBcc: evil@example.com", "a@example.com\n", "a b@example.com",
        "<a@example.com>", "a@example.com, b@example.com", "", "a@\x82\xa0.jp",
        std::string(250, 'a') + "@b.jp"};
    const std::string ids[] = {"", "id@example.jp", "<id@example.jp>\r\nBcc: x",
                               "<id x@example.jp>", "<@example.jp>", "<id@>"};
    std::vector<std::pair<std::string, std::function<void(MessageInput&)>>> refused = {
        {"no To", [](MessageInput& m) { m.to.clear(); }},
        {"month 13", [](MessageInput& m) { m.date.month = 13; }},
        {"subject", [](MessageInput& m) { m.subject = cp932("件名") + "\x82"; }},
        {"body", [](MessageInput& m) { m.body = "text\x85\x40"; }},
        {"display name", [](MessageInput& m) { m.fromName = "\xa0"; }},
    };
    for (const std::string& h : headers)
        refused.push_back({"extra header " + h, [=](MessageInput& m) { m.extraHeader = h; }});
    for (const std::string& a : addresses) {
        refused.push_back({"To " + a, [=](MessageInput& m) { m.to = {a}; }});
        refused.push_back({"Cc " + a, [=](MessageInput& m) { m.cc = {a}; }});
        refused.push_back({"From " + a, [=](MessageInput& m) { m.from = a; }});
    }
    for (const std::string& id : ids)
        refused.push_back({"Message-ID " + id, [=](MessageInput& m) { m.messageId = id; }});
    for (const auto& [meaning, change] : refused) {
        MessageInput input = simpleInput();
        change(input);
        EXPECT_FALSE(composeMessage(input)) << meaning;
    }
}

TEST(FormatMailDate, WritesRfc5322DateTimes)
{
    const std::pair<MailDate, const char*> cases[] = {
        {{2026, 12, 7, 14, 5, 3, 540}, "Mon, 07 Dec 2026 14:05:03 +0900"},
        {{2024, 2, 29, 0, 0, 0, -210}, "Thu, 29 Feb 2024 00:00:00 -0330"},
        {{2000, 1, 1, 23, 59, 59, 0}, "Sat, 01 Jan 2000 23:59:59 +0000"},
        {{1999, 12, 31, 9, 30, 0, -480}, "Fri, 31 Dec 1999 09:30:00 -0800"},
        {{2100, 3, 1, 12, 0, 0, 345}, "Mon, 01 Mar 2100 12:00:00 +0545"},
        {{2026, 3, 8, 1, 2, 3, -30}, "Sun, 08 Mar 2026 01:02:03 -0030"},
        {{2016, 12, 31, 23, 59, 60, 0}, "Sat, 31 Dec 2016 23:59:60 +0000"},
    };
    for (const auto& [date, text] : cases)
        EXPECT_EQ(formatMailDate(date), text);
    EXPECT_NE(formatMailDate(vmail::currentMailDate()), "");
}

TEST(FormatMailDate, GivesNothingForAnInvalidDate)
{
    const MailDate invalid[] = {
        {2026, 0, 1, 0, 0, 0, 0},  {2026, 13, 1, 0, 0, 0, 0}, {2026, 4, 31, 0, 0, 0, 0},
        {2023, 2, 29, 0, 0, 0, 0}, {2100, 2, 29, 0, 0, 0, 0}, {2026, 1, 1, 24, 0, 0, 0},
        {2026, 1, 1, 0, 60, 0, 0}, {2026, 1, 1, 0, 0, 61, 0}, {2026, 1, 1, 0, 0, 0, 1440},
        {2026, 1, 1, 0, 0, 0, -1440}, {10000, 1, 1, 0, 0, 0, 0},
    };
    for (const MailDate& d : invalid)
        EXPECT_EQ(formatMailDate(d), "") << d.year << "-" << d.month << "-" << d.day;
}

TEST(MakeMessageId, TakesTheDomainAfterTheLastAt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"taro@example.jp", "@example.jp>"},     {"\"a@b\"@mail.example.com", "@mail.example.com>"},
        {"no-domain", "@velmor.invalid>"},       {"taro@", "@velmor.invalid>"},
        {"taro@bad domain", "@velmor.invalid>"}, {"taro@.example.jp", "@velmor.invalid>"},
        {"taro@[192.0.2.1]", "@velmor.invalid>"},
    };
    for (const auto& [from, ending] : cases)
        EXPECT_TRUE(makeMessageId(from, japanDate()).ends_with(ending)) << from;
}

TEST(MakeMessageId, GivesUniqueIdsThatComposeMessageAccepts)
{
    std::set<std::string> ids;
    for (int i = 0; i < 1000; ++i) {
        std::string id = makeMessageId("taro@example.jp", japanDate());
        EXPECT_TRUE(id.starts_with("<20261207140503.")) << id;
        EXPECT_EQ(id.find_first_of(" \t\r\n\"()<>[],;:\\", 1), id.size() - 1) << id;
        EXPECT_EQ(id.find('@'), id.rfind('@')) << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 1000u);
    MessageInput input = simpleInput();
    input.messageId = *ids.begin();
    EXPECT_EQ(composed(input).value("Message-ID"), *ids.begin());
}
