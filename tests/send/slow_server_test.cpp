// The send procedure over the real mail library, against a scripted server that takes longer to
// accept the end of the data than any other reply may take (scanning the mail, say): the send
// counts as done, one mail went out, one sent record is written and the program closes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "send/send_procedure.h"
#include "tests/send/send_fixture.h"
#include "tests/vmail/script_server.h"
#include "vmail/options.h"
#include "vmail/vmail.h"

class SlowServerTest : public SendTest {
protected:
    void SetUp() override
    {
        SendTest::SetUp();
        saved_ = vmail::options();
        // The server's delay over the end of the data is three times the reply time-out and a
        // third of the time-out for that reply.
        vmail::options().replyMs = 1000;
        vmail::options().dataEndMs = 9000;
    }
    void TearDown() override
    {
        vmail::options() = saved_;
        SendTest::TearDown();
    }

private:
    vmail::Options saved_;
};

TEST_F(SlowServerTest, AnEndOfDataAcceptedAfterEveryOtherTimeOutIsOneSentMail)
{
    int datas = 0;
    ScriptServer server([&](ScriptConnection& c) {
        c.send("220 slow.example ESMTP\r\n");
        c.reply("250-slow.example\r\n250 AUTH PLAIN\r\n");
        c.reply("235 2.7.0 ok\r\n");
        c.reply("250 2.1.0 ok\r\n");
        c.reply("250 2.1.5 ok\r\n");
        c.reply("354 go ahead\r\n");
        datas += c.readUntil(".") > 0 ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        c.send("250 2.0.0 queued after scanning\r\n");
        c.reply("221 bye\r\n");
    });
    settings.smtpServer = "127.0.0.1";
    settings.smtpAuth = 1;
    settings.smtpPort = server.port();

    sendCurrentMessage();

    EXPECT_EQ(server.finish(), 1);
    EXPECT_EQ(datas, 1);
    ASSERT_FALSE(recordingShell.statuses.empty());
    EXPECT_EQ(recordingShell.statuses.back(), cp932(">ログファイル書き込み"));
    EXPECT_EQ(recordingShell.closeRequests, 1);
    const std::string log = fileBytes("send-log.dat");
    EXPECT_EQ(log.find("#\r\nFrom:"), 0u);
    EXPECT_EQ(log.find("#\r\n", 1), std::string::npos) << "one record: " << log;
}
