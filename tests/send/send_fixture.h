// The fixture of the send procedure's tests: a scratch folder, the recording shell emptied, an
// account on example servers and the message "Subject" with the body "Body", all reset after.
#pragma once

#include "message/message_texts.h"
#include "settings/settings.h"
#include "tests/send/recording_shell.h"
#include "tests/support/test_files.h"

class SendTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        recordingShell = RecordingShell();
        settings = Settings();
        settings.smtpServer = "smtp.example.jp";
        settings.fromName = "Taro";
        settings.fromAddress = "taro@example.jp";
        settings.pop3Server = "pop.example.jp";
        settings.pop3UserId = "taro";
        settings.pop3Password = "secret";
        settings.toName = "Hanako";
        settings.toAddress = "hanako@example.jp";
        settings.smtpPort = 587;
        messageText = "Subject\r\nBody";
        messageSubject = "Subject";
        messageBody = "Body";
    }
    void TearDown() override
    {
        settings = Settings();
        messageText.clear();
        messageSubject.clear();
        messageBody.clear();
        ScratchFolderTest::TearDown();
    }
};
