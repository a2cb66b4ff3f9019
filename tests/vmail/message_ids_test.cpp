// Which sends share a Message-ID: an attempt and its retry after a failure, and nothing else.
#include "vmail/message_ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using vmail::MailIdentity;

MailIdentity sample()
{
    return {"taro@example.jp", {"a@example.jp", "b@example.jp"}, {}, {}, "subject", "body",
            "X-Mailer: VelmorMail"};
}

// Ids numbered in the order they were made, so a test sees which call made which.
class MessageIdsTest : public ::testing::Test {
protected:
    std::string idFor(const MailIdentity& mail)
    {
        return vmail::messageIdFor(mail, [this] { return "<" + std::to_string(++made_) + "@t>"; });
    }
    std::string lastMade() const { return "<" + std::to_string(made_) + "@t>"; }

private:
    int made_ = 0;
};

}  // namespace

TEST_F(MessageIdsTest, ARetryAfterAFailureKeepsTheIdAndASentMailGetsANewOne)
{
    const std::string failed = idFor(sample());
    MailIdentity other = sample();
    other.body = "another mail that failed in between";
    const std::string otherFailed = idFor(other);
    EXPECT_EQ(idFor(sample()), failed);
    vmail::forgetMessageId(failed);  // the retry was sent
    EXPECT_EQ(idFor(other), otherFailed);
    vmail::forgetMessageId(otherFailed);
    const std::string again = idFor(sample());
    EXPECT_NE(again, failed);
    EXPECT_EQ(again, lastMade());
    vmail::forgetMessageId(again);
}

// Each row: two mails that differ in one way. The second gets an id of its own while the first
// is still remembered (a retry of it keeps its id).
TEST_F(MessageIdsTest, MailsThatDifferInAnyFieldGetIdsOfTheirOwn)
{
    using Change = std::function<void(MailIdentity&)>;
    const Change same = [](MailIdentity&) {};
    const struct {
        const char* difference;
        Change first;
        Change second;
    } pairs[] = {
        {"From", same, [](MailIdentity& m) { m.from = "jiro@example.jp"; }},
        {"To", same, [](MailIdentity& m) { m.to.back() = "c@example.jp"; }},
        {"Cc", same, [](MailIdentity& m) { m.cc = {"c@example.jp"}; }},
        {"Bcc", same, [](MailIdentity& m) { m.bcc = {"c@example.jp"}; }},
        {"subject", same, [](MailIdentity& m) { m.subject += "!"; }},
        {"body", same, [](MailIdentity& m) { m.body += "!"; }},
        {"extra header", same, [](MailIdentity& m) { m.extraHeader = "X-Mailer: Other"; }},
        {"To a,b or To a Cc b", same,
         [](MailIdentity& m) { m.to = {"a@example.jp"}; m.cc = {"b@example.jp"}; }},
        {"Cc or Bcc", [](MailIdentity& m) { m.cc = {"c@example.jp"}; },
         [](MailIdentity& m) { m.bcc = {"c@example.jp"}; }},
        {"where a field ends", same, [](MailIdentity& m) { m.subject = "subjectb"; m.body = "ody"; }},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.difference);
        MailIdentity first = sample();
        pair.first(first);
        MailIdentity second = sample();
        pair.second(second);
        const std::string firstId = idFor(first);
        const std::string secondId = idFor(second);
        EXPECT_EQ(secondId, lastMade());
        EXPECT_NE(secondId, firstId);
        EXPECT_EQ(idFor(first), firstId);
        vmail::forgetMessageId(firstId);
        vmail::forgetMessageId(secondId);
    }
}
