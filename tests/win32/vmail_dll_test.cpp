// VMAIL.DLL as the program loads it: the twelve operations exported by their plain names, and the
// calls that need no server answering as the interface promises.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>

#include "tests/support/test_files.h"
#include "tests/vmail/rig_session.h"
#include "vmail/vmail.h"

namespace {

const char* const kExports[] = {
    "VMailInitializeWinSock", "VMailEndWinSock",        "VMailPop3ConnectPortNo",
    "VMailPop3Authenticate",  "VMailPop3Close",         "VMailSmtpSendMail",
    "VMailSmtpConnectPortNo", "VMailSmtpAuthenticate",  "VMailSmtpSendMailEx",
    "VMailSmtpClose",         "VMailLastError",         "VMailLastSendError",
};

class VmailDllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA(VMAIL_DLL);
        ASSERT_NE(library_, nullptr) << VMAIL_DLL;
    }
    void TearDown() override
    {
        if (library_)
            FreeLibrary(library_);
    }
    template <typename Function>
    Function find(const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    }

    HMODULE library_ = nullptr;
};

}  // namespace

TEST_F(VmailDllTest, ExportsTheTwelveOperationsByName)
{
    for (const char* name : kExports)
        EXPECT_NE(GetProcAddress(library_, name), nullptr) << name;
}

TEST_F(VmailDllTest, StartsAndEndsWinSockAndClosesNoHandle)
{
    auto start = find<int32_t(__stdcall*)()>("VMailInitializeWinSock");
    auto end = find<void(__stdcall*)()>("VMailEndWinSock");
    auto popClose = find<int32_t(__stdcall*)(int32_t)>("VMailPop3Close");
    auto smtpClose = find<void(__stdcall*)(int32_t)>("VMailSmtpClose");
    auto send = find<int32_t(__stdcall*)(const char*, const char*, const char*, const char*,
                                         const char*, const char*, const char*, const char*,
                                         const char*, int32_t)>("VMailSmtpSendMail");
    ASSERT_TRUE(start && end && popClose && smtpClose && send);
    end();  // before any start
    ASSERT_NE(start(), 0);
    EXPECT_NE(popClose(-1), 1);
    smtpClose(-1);
    EXPECT_EQ(send("host\r\n", "a@example.jp", nullptr, nullptr, "b@example.jp", "s", "b",
                   "X-Mailer: VelmorMail", nullptr, 0),
              -501);
    end();
}

// Why a connect or a send failed is kept per thread, in the thread-local storage of a DLL whose
// runtime is linked in: the thread that failed reads it, another finds nothing.
TEST_F(VmailDllTest, TellsEachThreadItsOwnLastConnect)
{
    auto start = find<int32_t(__stdcall*)()>("VMailInitializeWinSock");
    auto end = find<void(__stdcall*)()>("VMailEndWinSock");
    auto connect = find<int32_t(__stdcall*)(const char*, int32_t)>("VMailSmtpConnectPortNo");
    auto lastError = find<int32_t(__stdcall*)(int32_t, char*, int32_t)>("VMailLastError");
    auto lastSendError = find<int32_t(__stdcall*)(char*, int32_t)>("VMailLastSendError");
    ASSERT_TRUE(start && end && connect && lastError && lastSendError);
    ASSERT_NE(start(), 0);
    char line[300] = {};
    int32_t kind = VMAIL_FAILURE_NONE;
    std::thread([&] {
        EXPECT_EQ(lastSendError(nullptr, 0), VMAIL_FAILURE_NONE);
        EXPECT_EQ(connect("no-such-host.invalid", 25), -1);
        kind = lastError(-1, line, sizeof line);
    }).join();
    EXPECT_EQ(kind, VMAIL_FAILURE_NAME);
    EXPECT_EQ(std::string(line), cp932("サーバー名が見つかりません (no-such-host.invalid)"));
    EXPECT_EQ(lastError(-1, nullptr, 0), VMAIL_FAILURE_NONE);
    end();
}

TEST(VmailDllImports, NeedOnlySystemLibraries)
{
    HMODULE library = LoadLibraryA(VMAIL_DLL);
    ASSERT_NE(library, nullptr);
    // The runtime is linked in: no MinGW DLL was loaded with it.
    EXPECT_EQ(GetModuleHandleA("libstdc++-6.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleA("libgcc_s_seh-1.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleA("libwinpthread-1.dll"), nullptr);
    FreeLibrary(library);
}

// The same DLL, linked as velmor.exe links it, against the real servers of the mail rig.
class VmailDllRigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        env_ = loadRigEnv();
        ASSERT_TRUE(env_.loaded) << "VELMOR_RIG_ENV must name the mail rig's rig.env";
        ASSERT_NE(VMailInitializeWinSock(), 0);
    }
    void TearDown() override { VMailEndWinSock(); }

    RigEnv env_;
};

TEST_F(VmailDllRigTest, APlainSendOnPort25IsDelivered)
{
    const std::string marker = uniqueMarker("dll-plain");
    ASSERT_EQ(VMailSmtpSendMail(env_["RIG_HOST"].c_str(), env_["RIG_RECIPIENT"].c_str(), nullptr,
                                nullptr, env_["RIG_ADDRESS"].c_str(), marker.c_str(), "body",
                                "X-Mailer: VelmorMail", nullptr, 0),
              0);
    EXPECT_FALSE(waitForMessage(env_["RIG_RECIPIENT_MAILDIR"], marker).empty());
}

TEST_F(VmailDllRigTest, AnSmtpAuthSendIsDelivered)
{
    sendAuthenticated(env_, env_["RIG_HOST"], "RIG_SUBMISSION_PORT", VMAIL_AUTH_ANY);
}

TEST_F(VmailDllRigTest, AnApopLoginSucceedsAndAWrongOneIsRefused)
{
    EXPECT_EQ(pop3Login(env_, env_["RIG_HOST"], env_["RIG_USER"], env_["RIG_PASSWORD"], 1), 1);
    EXPECT_EQ(pop3Login(env_, env_["RIG_HOST"], env_["RIG_USER"], "wrong", 1), -2);
}
