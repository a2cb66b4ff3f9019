// Test file helpers shared by the portable suites.
#include "tests/support/test_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string sanitised(std::string name)
{
    for (char& c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain)
            c = '_';
    }
    return name;
}

}  // namespace

void ScratchFolderTest::SetUp()
{
    previous_ = fs::current_path().string();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path folder = fs::current_path() / "scratch" /
                      sanitised(std::string(info->test_suite_name()) + "." + info->name());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    fs::current_path(folder);
    folder_ = folder.string();
}

void ScratchFolderTest::TearDown()
{
    fs::current_path(previous_);
    if (!HasFailure()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

std::string fileBytes(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool fileExists(const char* name) { return fs::exists(name); }

void writeFileBytes(const char* name, std::string_view bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
