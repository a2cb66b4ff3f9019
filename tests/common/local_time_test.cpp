// Date and time pictures: the Windows build formats with the system, the native one by itself;
// both must give the same text.
#include "common/local_time.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace {

LocalTime at(int year, int month, int day, int hour, int minute, int second)
{
    return {year, month, day, hour, minute, second};
}

}  // namespace

TEST(DatePicture, SendLogDateHasLeadingZeros)
{
    EXPECT_EQ(formatDatePicture(at(2026, 12, 6, 9, 5, 3), "yyyy/MM/dd/_"), "2026/12/06/_");
    EXPECT_EQ(formatDatePicture(at(2027, 1, 31, 0, 0, 0), "yyyy/MM/dd/_"), "2027/01/31/_");
}

TEST(DatePicture, ShortElements)
{
    LocalTime time = at(2009, 3, 7, 0, 0, 0);
    EXPECT_EQ(formatDatePicture(time, "d/M/yy"), "7/3/09");
    EXPECT_EQ(formatDatePicture(time, "dd.MM.yyyy"), "07.03.2009");
}

TEST(DatePicture, QuotedTextIsLiteral)
{
    EXPECT_EQ(formatDatePicture(at(2026, 12, 6, 0, 0, 0), "yyyy'y'MM"), "2026y12");
}

TEST(DatePicture, DoubleByteCharactersAreLiteralEvenWhenATrailByteIsAPictureLetter)
{
    // The trail bytes of "嬰", "窺" and "謁" are 'd', 'M' and 'y'.
    ASSERT_EQ(cp932("嬰窺謁"), "\x89" "d\x89" "M\x89" "y");
    const std::string picture = "yyyy" + cp932("年") + "MM" + cp932("月") + "dd" + cp932("日嬰窺謁");
    EXPECT_EQ(formatDatePicture(at(2026, 12, 6, 0, 0, 0), picture.c_str()),
              "2026" + cp932("年") + "12" + cp932("月") + "06" + cp932("日嬰窺謁"));
}

TEST(DatePicture, InvalidDateGivesNothing)
{
    EXPECT_EQ(formatDatePicture(at(2026, 2, 30, 0, 0, 0), "yyyy/MM/dd"), "");
    EXPECT_EQ(formatDatePicture(at(2026, 13, 1, 0, 0, 0), "yyyy/MM/dd"), "");
}

TEST(TimePicture, SendLogTimeWithFullWidthColons)
{
    const std::string picture = "HH" + cp932("：") + "mm" + cp932("：") + "ss";
    ASSERT_EQ(cp932("："), "\x81\x46");
    EXPECT_EQ(formatTimePicture(at(2026, 12, 6, 9, 5, 3), picture.c_str()),
              "09" + cp932("：") + "05" + cp932("：") + "03");
    EXPECT_EQ(formatTimePicture(at(2026, 12, 6, 23, 59, 59), picture.c_str()),
              "23" + cp932("：") + "59" + cp932("：") + "59");
}

TEST(TimePicture, TwelveAndTwentyFourHourClocks)
{
    EXPECT_EQ(formatTimePicture(at(2026, 1, 1, 0, 7, 8), "h:m:s"), "12:7:8");
    EXPECT_EQ(formatTimePicture(at(2026, 1, 1, 13, 7, 8), "hh:mm:ss"), "01:07:08");
    EXPECT_EQ(formatTimePicture(at(2026, 1, 1, 13, 7, 8), "H:mm"), "13:07");
}

TEST(TimePicture, DoubleByteCharactersWithPictureLetterTrailBytesAreLiteral)
{
    // The trail bytes of "羽", "栄", "盈" and "鋭" are 'H', 'h', 'm' and 's'.
    ASSERT_EQ(cp932("羽栄盈鋭"), "\x89" "H\x89" "h\x89" "m\x89" "s");
    const std::string picture = "H" + cp932("時") + "m" + cp932("分羽栄盈鋭");
    EXPECT_EQ(formatTimePicture(at(2026, 1, 1, 8, 30, 0), picture.c_str()),
              "8" + cp932("時") + "30" + cp932("分羽栄盈鋭"));
}

TEST(LocalTimeNow, IsAValidLocalTime)
{
    LocalTime now = currentLocalTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_NE(formatDatePicture(now, "yyyy"), "");
}
