// Sessions with the rig.
#include "tests/vmail/rig_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "vmail/vmail.h"

std::string sendAuthenticated(const RigEnv& env, const std::string& host, const char* portKey,
                              int mechanisms, const std::string& from, const std::string& body)
{
    const std::string marker = uniqueMarker("auth");
    int32_t handle = VMailSmtpConnectPortNo(host.c_str(), env.port(portKey));
    EXPECT_GE(handle, 1);
    if (handle < 1)
        return std::string();
    EXPECT_EQ(VMailSmtpAuthenticate(handle, host.c_str(), env["RIG_USER"].c_str(),
                                    env["RIG_PASSWORD"].c_str(), mechanisms),
              1);
    EXPECT_EQ(VMailSmtpSendMailEx(handle, env["RIG_RECIPIENT"].c_str(), nullptr, nullptr,
                                  (from.empty() ? env["RIG_ADDRESS"] : from).c_str(),
                                  marker.c_str(), body.c_str(), "X-Mailer: VelmorMail", 0, 0, 0),
              0);
    VMailSmtpClose(handle);
    std::string delivered = waitForMessage(env["RIG_RECIPIENT_MAILDIR"], marker);
    EXPECT_FALSE(delivered.empty());
    return delivered;
}

std::string saslMethodOf(const RigEnv& env, const std::string& delivered)
{
    // "Received: from ... by mx.velmor-rig.test (Postfix) with ESMTPSA id 3F2A1520123"
    const std::string with = " with ESMTPSA id ";
    const std::size_t at = delivered.find(with);
    if (at == std::string::npos)
        return std::string();
    const std::size_t start = at + with.size();
    const std::string queueId = delivered.substr(start, delivered.find_first_of(" \r\n;", start) - start);
    if (queueId.empty())
        return std::string();
    // "3F2A1520123: client=localhost[127.0.0.1], sasl_method=LOGIN, sasl_username=sender"
    const std::string session = queueId + ": client=";
    const std::string method = "sasl_method=";
    for (int waited = 0; waited < 10000; waited += 100) {
        const std::string log = rigFileText(env["RIG_POSTFIX_LOG"]);
        const std::size_t line = log.find(session);
        const std::size_t found = log.find(method, line);
        if (line != std::string::npos && found < log.find('\n', line)) {
            const std::size_t value = found + method.size();
            return log.substr(value, log.find_first_of(",\n", value) - value);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::string();
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
