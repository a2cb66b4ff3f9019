// Sessions with the rig.
#include "tests/vmail/rig_session.h"

#include <gtest/gtest.h>

#include "vmail/vmail.h"

void sendAuthenticated(const RigEnv& env, const std::string& host, const char* portKey,
                       int mechanisms, const std::string& from, const std::string& body)
{
    const std::string marker = uniqueMarker("auth");
    int32_t handle = VMailSmtpConnectPortNo(host.c_str(), env.port(portKey));
    ASSERT_GE(handle, 1);
    EXPECT_EQ(VMailSmtpAuthenticate(handle, host.c_str(), env["RIG_USER"].c_str(),
                                    env["RIG_PASSWORD"].c_str(), mechanisms),
              1);
    EXPECT_EQ(VMailSmtpSendMailEx(handle, env["RIG_RECIPIENT"].c_str(), nullptr, nullptr,
                                  (from.empty() ? env["RIG_ADDRESS"] : from).c_str(),
                                  marker.c_str(), body.c_str(), "X-Mailer: VelmorMail", 0, 0, 0),
              0);
    VMailSmtpClose(handle);
    EXPECT_FALSE(waitForMessage(env["RIG_RECIPIENT_MAILDIR"], marker).empty());
}

int32_t pop3Login(const RigEnv& env, const std::string& host, const std::string& user,
                  const std::string& password, int32_t apop)
{
    int32_t handle = VMailPop3ConnectPortNo(host.c_str(), env.port("RIG_POP3_PORT"));
    EXPECT_GE(handle, 1) << host;
    int32_t result = VMailPop3Authenticate(handle, user.c_str(), password.c_str(), apop);
    int32_t closed = VMailPop3Close(handle);
    if (result == 1) {
        EXPECT_EQ(closed, 1);
    }
    return result;
}
