// The composed mail read back as a mail reader reads it: fields unfolded, encoded words and
// base64 decoded, and compared with the text that went in.
#include "vmail/message.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "tests/support/test_files.h"
#include "tests/vmail/mail_reader.h"

using vmail::composeMessage;
using vmail::formatMailDate;
using vmail::MailDate;
using vmail::makeMessageId;
using vmail::MessageInput;

namespace {

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

// The composed mail, held to the form composeMessage promises (lines, folds, encoded words,
// base64 lines) and read back.
DecodedMail composed(const MessageInput& input)
{
    std::optional<std::string> message = composeMessage(input);
    EXPECT_TRUE(message) << "refused";
    std::string problem;
    std::optional<DecodedMail> decoded = decodeMail(message.value_or(""), problem);
    EXPECT_TRUE(decoded) << problem << "\n" << message.value_or("");
    return decoded.value_or(DecodedMail());
}

// The header's lines as written, without their CR LF.
std::vector<std::string> headerLines(const Delivered& mail)
{
    std::vector<std::string> lines;
    for (const Header& header : mail.headers) {
        lines.push_back(header.name + ":" + header.lines[0]);
        lines.insert(lines.end(), header.lines.begin() + 1, header.lines.end());
    }
    return lines;
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
    EXPECT_EQ(composed(simpleInput()).mail.names(), kFieldOrder);
}

TEST(ComposeMessage, FoldsLongAddressListsAfterCommas)
{
    MessageInput input = simpleInput();
    for (int i = 0; i < 12; ++i)
        input.cc.push_back("person" + std::to_string(i) + "@example.com");
    Delivered mail = composed(input).mail;
    for (const std::string& line : headerLines(mail))
        EXPECT_LE(line.size(), 78u) << line;
    EXPECT_EQ(mail.field("Cc").substr(0, 40), "person0@example.com, person1@example.com");
}

TEST(ComposeMessageBody, SendsAsciiAs7bitWithEveryLineBreakAsCrLfAndDotsLeftAlone)
{
    DecodedMail mail = composed(withBody("one\ntwo\rthree\r\n\n.\n..\n.x"));
    EXPECT_EQ(mail.contentType, "text/plain; charset=us-ascii");
    EXPECT_EQ(mail.transferEncoding, "7bit");
    EXPECT_EQ(mail.mail.body, "one\r\ntwo\r\nthree\r\n\r\n.\r\n..\r\n.x\r\n");
}

TEST(ComposeMessageBody, SendsJapaneseAsBase64Utf8)
{
    std::string body = cp932("こんにちは。\n") + "\x87\x40\x81\x60\r\n\xbb\xb0\xcb\xde\xbd\r";
    std::string expected = "こんにちは。\r\n①～\r\nｻｰﾋﾞｽ\r\n";
    for (int i = 0; i < 40; ++i) {
        body += cp932("纊髙の行\n");
        expected += "纊髙の行\r\n";
    }
    DecodedMail mail = composed(withBody(body));
    EXPECT_EQ(mail.contentType, "text/plain; charset=UTF-8");
    EXPECT_EQ(mail.transferEncoding, "base64");
    EXPECT_EQ(mail.text, expected);
}

TEST(ComposeMessageBody, SendsAsciiThatIsNot7bitAsBase64)
{
    for (const std::string& body : {std::string(5000, 'x'), "a\r\n" + std::string(999, 'y'),
                                    std::string("nul\0", 4)}) {
        DecodedMail mail = composed(withBody(body));
        EXPECT_EQ(mail.transferEncoding, "base64") << body.size();
        EXPECT_EQ(mail.text, body);
    }
    EXPECT_EQ(composed(withBody(std::string(998, 'y'))).transferEncoding, "7bit");
}

TEST(ComposeMessageBody, EmptySubjectAndBodyGiveAnEmptyFieldAndNoBody)
{
    MessageInput input = withSubject("");
    input.body.clear();
    std::optional<std::string> message = composeMessage(input);
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("\r\nSubject:\r\nMessage-ID:"), std::string::npos);
    EXPECT_TRUE(message->ends_with("Content-Transfer-Encoding: 7bit\r\n\r\n"));
    EXPECT_EQ(composed(input).mail.names(), kFieldOrder);
}

TEST(ComposeMessageSubject, FoldsLongAsciiAtBlanksWithoutABlankOnlyLine)
{
    std::string subject = std::string(60, 'a') + "     " + std::string(70, 'b') + "  c";
    for (int i = 0; i < 30; ++i)
        subject += " word" + std::to_string(i);
    DecodedMail mail = composed(withSubject(subject));
    EXPECT_EQ(mail.subject, subject);
    EXPECT_EQ(mail.mail.field("Subject"), subject);
    EXPECT_GT(headerLines(mail.mail).size(), kFieldOrder.size() + 3) << "not folded";
    for (const std::string& line : headerLines(mail.mail)) {
        EXPECT_LE(line.size(), 78u);
        EXPECT_NE(line.find_first_not_of(' '), std::string::npos) << "a line of blanks only";
    }
}

TEST(ComposeMessageSubject, EncodesAsciiThatAReaderWouldNotGiveBack)
{
    const std::string subjects[] = {" leading blank", "trailing blank ", "tab\there",
                                    "looks =?UTF-8?B?QQ==?= encoded", "del\x7f", "  ",
                                    std::string(1200, 'z')};
    for (const std::string& subject : subjects) {
        DecodedMail mail = composed(withSubject(subject));
        EXPECT_TRUE(mail.mail.field("Subject").starts_with("=?UTF-8?B?")) << subject;
        EXPECT_EQ(mail.subject, subject);
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
    DecodedMail mail = composed(withSubject(subject));
    EXPECT_EQ(mail.subject, expected);
    std::vector<std::string> lines = headerLines(mail.mail);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[3].substr(0, 19), "Subject: =?UTF-8?B?");
}

TEST(ComposeMessageFrom, QuotesAnAsciiDisplayNameAndEncodesAJapaneseOne)
{
    MessageInput input = simpleInput();
    input.fromName = "Taro \"T\" Yamada\\";
    EXPECT_EQ(composed(input).mail.field("From"), R"("Taro \"T\" Yamada\\" <taro@example.jp>)");
    input.fromName = cp932("山田太郎") + "\xbb\xb0\xcb\xde\xbd";
    DecodedMail mail = composed(input);
    EXPECT_TRUE(mail.mail.field("From").ends_with(" <taro@example.jp>")) << mail.mail.field("From");
    EXPECT_EQ(mail.fromAddress, "taro@example.jp");
    EXPECT_EQ(mail.fromName, "山田太郎ｻｰﾋﾞｽ");
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
    DecodedMail mail = composed(input);
    for (const std::string& line : headerLines(mail.mail))
        EXPECT_LE(line.size(), 78u) << line;
    EXPECT_TRUE(mail.mail.field("From").ends_with(" <" + input.from + ">"));
    EXPECT_EQ(mail.fromAddress, input.from);
    EXPECT_EQ(mail.fromName, expected);
}

TEST(ComposeMessageInjection, LineBreaksInSubjectOrNameStayInsideTheirField)
{
    const std::string texts[] = {"x\r\nBcc: evil@example.com", "x\nBcc: evil@example.com",
                                 "x\rBcc: evil@example.com", "x\r\n\r\nbody",
                                 cp932("件名") + "\r\nBcc: evil@example.com"};
    for (const std::string& text : texts) {
        MessageInput input = withSubject(text);
        input.fromName = text;
        Delivered mail = composed(input).mail;
        EXPECT_EQ(mail.names(), kFieldOrder);
        EXPECT_EQ(mail.body, "See you at 7.\r\n");
    }
    EXPECT_EQ(composed(withSubject(texts[0])).subject, texts[0]);
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
    EXPECT_EQ(composed(input).mail.field("Message-ID"), *ids.begin());
}
