// Helpers for tests that touch the program's files: a fresh working folder per test, whole-file
// reads and writes, and UTF-8 to code page 932 conversion for writing expected texts readably.
#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

// Makes a new empty folder for the running test under the suite's working folder and makes it
// the current directory, as the program's bare file names need; restores the old one after,
// and removes the folder unless the test failed, so that its files can be looked at.
class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::string previous_;
    std::string folder_;
};

// The whole content of a file in the current directory, or "<missing>" when it cannot be read.
std::string fileBytes(const char* name);
bool fileExists(const char* name);
void writeFileBytes(const char* name, std::string_view bytes);

// The code page 932 bytes of a UTF-8 text, converted by the system (iconv natively,
// WideCharToMultiByte on Windows), independently of the code under test.
std::string cp932(std::string_view utf8);
