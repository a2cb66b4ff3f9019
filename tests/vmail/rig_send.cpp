// The authenticated send through the rig.
#include "tests/vmail/rig_send.h"

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
