// The fixtures of the mail library's tests. Against scripted servers: the socket layer started,
// time-outs short enough for a silent server to be noticed quickly, and everything restored.
// Against the rig's real servers: the rig's settings loaded as well.
#pragma once

#include <gtest/gtest.h>

#include "tests/vmail/rig_env.h"
#include "vmail/options.h"
#include "vmail/results.h"
#include "vmail/vmail.h"

class VmailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = vmail::options();
        vmail::options().connectMs = 3000;
        vmail::options().replyMs = 1500;
        vmail::options().dataEndMs = 4000;
        ASSERT_NE(VMailInitializeWinSock(), 0);
    }
    void TearDown() override
    {
        VMailEndWinSock();
        vmail::options() = saved_;
    }

private:
    vmail::Options saved_;
};

class RigTest : public VmailTest {
protected:
    void SetUp() override
    {
        VmailTest::SetUp();
        env_ = loadRigEnv();
        ASSERT_TRUE(env_.loaded) << "VELMOR_RIG_ENV must name the mail rig's rig.env";
        vmail::options().replyMs = 20000;  // a loaded machine's servers may be slow
        vmail::options().plainSmtpPort = env_.port("RIG_SMTP_PORT");
    }

    RigEnv env_;
};
