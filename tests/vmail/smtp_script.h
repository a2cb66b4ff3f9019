// The usual steps of a scripted SMTP server, and the client's send that the SMTP tests make.
#pragma once

#include <string>
#include <vector>

#include "tests/vmail/script_server.h"
#include "vmail/vmail.h"

inline const char kEhloAll[] =
    "250-test.example\r\n250-AUTH CRAM-MD5 LOGIN PLAIN\r\n250 8BITMIME\r\n";

// Greets and answers EHLO; the usual start of every script.
inline void greet(ScriptConnection& c, const std::string& ehloReply = kEhloAll)
{
    c.send("220 test.example ESMTP\r\n");
    c.reply(ehloReply);
}

// Takes one mail after the envelope: DATA's 354, the message up to ".", then 250.
inline void takeMessage(ScriptConnection& c)
{
    c.reply("354 go ahead\r\n");
    c.readUntil(".");
    c.send("250 2.0.0 queued\r\n");
}

inline void takeEnvelopeAndMessage(ScriptConnection& c)
{
    c.reply("250 2.1.0 ok\r\n");
    c.reply("250 2.1.5 ok\r\n");
    takeMessage(c);
    c.reply("221 bye\r\n");
}

inline int32_t sendEx(int32_t handle, const char* subject = "Hello", const char* body = "Body text")
{
    return VMailSmtpSendMailEx(handle, "hanako@example.jp", nullptr, nullptr, "taro@example.jp",
                               subject, body, "X-Mailer: VelmorMail", 0, 0, 0);
}

// The lines of a transcript from the first one starting with prefix onward.
inline std::vector<std::string> from(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, prefix.size(), prefix) == 0)
            return std::vector<std::string>(lines.begin() + static_cast<long>(i), lines.end());
    }
    return {};
}
