// Which part of the log the viewer shows.
#include "log/viewer_text.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

TEST(ViewerRange, ASmallLogIsReadWhole)
{
    EXPECT_EQ(viewerRange(0).length, 0u);
    EXPECT_EQ(viewerRange(-1).length, 0u);
    ViewerRange range = viewerRange(300 * 1024);
    EXPECT_EQ(range.offset, 0);
    EXPECT_EQ(range.length, 300u * 1024);
    EXPECT_EQ(kMaxViewerBytes, 512 * 1024);
    EXPECT_EQ(viewerRange(kMaxViewerBytes).offset, 0);
    EXPECT_EQ(viewerRange(kMaxViewerBytes).length, static_cast<std::size_t>(kMaxViewerBytes));
}

TEST(ViewerRange, ALargeLogIsReadFromItsLastHalfMegabyte)
{
    ViewerRange range = viewerRange(50LL * 1024 * 1024);
    EXPECT_EQ(range.offset, 50LL * 1024 * 1024 - 512 * 1024);
    EXPECT_EQ(range.length, static_cast<std::size_t>(kMaxViewerBytes));
    range = viewerRange(kMaxViewerBytes + 1);
    EXPECT_EQ(range.offset, 1);
}

TEST(ViewerText, AWholeLogIsShownAsItIsUpToAZeroByte)
{
    EXPECT_EQ(viewerText("#\r\nDate:x\r\n", 0), "#\r\nDate:x\r\n");
    EXPECT_EQ(viewerText(std::string_view("ab\0cd", 5), 0), "ab");
}

TEST(ViewerText, ATailStartsAtTheFirstWholeRecordBehindANote)
{
    Text text = viewerText("rd of a cut record\r\n#\r\nDate:new\r\n", 1000);
    const std::string note = cp932("（ファイルが大きいため、古い記録 ") + "1020" +
                             cp932(" バイトは表示していません）") + "\r\n";
    EXPECT_EQ(text, note + "#\r\nDate:new\r\n");
}

TEST(ViewerText, ATailWithoutARecordStartIsShownFromTheCut)
{
    Text text = viewerText("no record here", 10);
    EXPECT_TRUE(text.ends_with("\r\nno record here"));
    EXPECT_NE(text.find("10"), std::string::npos);
}
