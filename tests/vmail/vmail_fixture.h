// A fixture for tests of the mail library against scripted servers: the socket layer started,
// time-outs short enough for a silent server to be noticed quickly, and everything restored.
#pragma once

#include <gtest/gtest.h>

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
