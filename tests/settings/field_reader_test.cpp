// Reading the settings files as a stream of fields: where fields end, what texts and numbers
// receive, and what happens when the file runs out.
#include "settings/field_reader.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/file.h"
#include "tests/support/heap_peak.h"
#include "tests/support/test_files.h"

namespace {

constexpr char kFieldFile[] = "fields.dat";

class ReadFieldsTest : public ScratchFolderTest {
protected:
    // Writes bytes as the whole field file and opens a reader at its start.
    void open(std::string_view bytes)
    {
        closeFile();  // Windows writes no file that is open unshared
        writeFileBytes(kFieldFile, bytes);
        openWritten();
    }

    // Opens the field file as it was written and a reader at its start.
    void openWritten()
    {
        file_ = File(kFieldFile, FileMode::readExclusive);
        reader_ = std::make_unique<ByteReader>(file_);
    }

    ByteReader& reader() { return *reader_; }

    // The next field of the open file as a text, or "<none>" when no field was stored.
    Text nextText()
    {
        Text text = "<none>";
        readFields(reader(), {&text});
        return text;
    }

    // The next field of the open file as a 64-bit number, or -999 when no field was stored.
    double nextNumber()
    {
        double number = -999;
        readFields(reader(), {&number});
        return number;
    }

    void closeFile()
    {
        reader_.reset();
        file_.close();
    }

    void TearDown() override
    {
        closeFile();
        removeFile(kFieldFile);  // some files are megabytes long
        ScratchFolderTest::TearDown();
    }

private:
    File file_;
    std::unique_ptr<ByteReader> reader_;
};

}  // namespace

TEST_F(ReadFieldsTest, TheEndOfTheFileEndsAField)
{
    open("abc");
    EXPECT_EQ(nextText(), "abc");
    EXPECT_EQ(nextText(), "<none>");
}

TEST_F(ReadFieldsTest, AZeroByteEndsAFieldAndIsConsumed)
{
    open(std::string_view("ab\0cd", 5));
    EXPECT_EQ(nextText(), "ab");
    EXPECT_EQ(nextText(), "cd");
}

TEST_F(ReadFieldsTest, LineFeedEndsAFieldAndIsConsumed)
{
    open("ab\ncd\n");
    EXPECT_EQ(nextText(), "ab");
    EXPECT_EQ(nextText(), "cd");
    EXPECT_EQ(nextText(), "<none>");
}

TEST_F(ReadFieldsTest, CarriageReturnLineFeedEndsAFieldAndBothAreConsumed)
{
    open("ab\r\ncd\r\n");
    EXPECT_EQ(nextText(), "ab");
    EXPECT_EQ(nextText(), "cd");
    EXPECT_EQ(nextText(), "<none>");
}

TEST_F(ReadFieldsTest, ACarriageReturnBeforeAnyOtherByteStaysInTheField)
{
    open("a\rb,c\r\r\nd\r,e\r x");
    EXPECT_EQ(nextText(), "a\rb");
    EXPECT_EQ(nextText(), "c\r");
    EXPECT_EQ(nextText(), "d\r");
    EXPECT_EQ(nextText(), "e\r x");
}

TEST_F(ReadFieldsTest, ACarriageReturnAsTheLastByteOfTheFileEndsTheField)
{
    open("ab\r");
    EXPECT_EQ(nextText(), "ab");
    EXPECT_EQ(nextText(), "<none>");
}

TEST_F(ReadFieldsTest, ACarriageReturnBeforeAZeroByteStaysInTheField)
{
    open(std::string_view("ab\r\0cd", 6));
    EXPECT_EQ(nextText(), "ab\r");
    EXPECT_EQ(nextText(), "cd");
}

TEST_F(ReadFieldsTest, ACommaEndsAFieldAndIsConsumed)
{
    open("ab,cd,,e");
    EXPECT_EQ(nextText(), "ab");
    EXPECT_EQ(nextText(), "cd");
    EXPECT_EQ(nextText(), "");
    EXPECT_EQ(nextText(), "e");
}

TEST_F(ReadFieldsTest, CommasInsideDoubleQuotesDoNotEndAFieldAndTheQuotesStay)
{
    open("\"a,b\",c\r\nx\"y,z\"w,v");
    EXPECT_EQ(nextText(), "\"a,b\"");
    EXPECT_EQ(nextText(), "c");
    EXPECT_EQ(nextText(), "x\"y,z\"w");
    EXPECT_EQ(nextText(), "v");
}

TEST_F(ReadFieldsTest, AnUnclosedQuoteRunsToTheEndOfTheFile)
{
    open("\"a,b c");
    EXPECT_EQ(nextText(), "\"a,b c");
}

TEST_F(ReadFieldsTest, LineEndsAndZeroBytesEndAFieldInsideQuotesToo)
{
    open(std::string_view("\"a\nb\r\nc\0d", 9));
    EXPECT_EQ(nextText(), "\"a");
    EXPECT_EQ(nextText(), "b");
    EXPECT_EQ(nextText(), "c");
    EXPECT_EQ(nextText(), "d");
}

TEST_F(ReadFieldsTest, EveryFieldStartsOutsideQuotes)
{
    // The first field ends inside its quote; the quote in the second field then opens a
    // quoted part that keeps the comma.
    open("\"a\r\nb\",c");
    EXPECT_EQ(nextText(), "\"a");
    EXPECT_EQ(nextText(), "b\",c");
}

TEST_F(ReadFieldsTest, BlanksEndNumbersButNotTexts)
{
    open("12 34\t56\r\nab cd\tef");
    double a = 0, b = 0, c = 0;
    Text text;
    EXPECT_EQ(readFields(reader(), {&a, &b, &c, &text}), 4u);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 34);
    EXPECT_EQ(c, 56);
    EXPECT_EQ(text, "ab cd\tef");
}

TEST_F(ReadFieldsTest, BlanksInsideQuotesDoNotEndANumber)
{
    // The quoted field reads as 0; if its blank ended it, the next number would be "2\"".
    open("\"1 2\",3");
    double first = -1, second = -1;
    EXPECT_EQ(readFields(reader(), {&first, &second}), 2u);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 3);
}

TEST_F(ReadFieldsTest, BlanksThenACommaEndOneNumber)
{
    open("12  ,34 \t , 56");
    EXPECT_EQ(nextNumber(), 12);
    EXPECT_EQ(nextNumber(), 34);
    EXPECT_EQ(nextNumber(), 56);
    EXPECT_EQ(nextNumber(), -999);
}

TEST_F(ReadFieldsTest, BlanksThenAnotherValueLeaveThatValueForTheNextField)
{
    open("1  2\t\tx,3");
    EXPECT_EQ(nextNumber(), 1);
    EXPECT_EQ(nextNumber(), 2);
    EXPECT_EQ(nextText(), "x");
    EXPECT_EQ(nextNumber(), 3);
}

TEST_F(ReadFieldsTest, BlanksAfterANumberThenALineEndGiveAnEmptyField)
{
    // The line end after the blanks is left for the next field, which it ends at once.
    open("25 \r\n7");
    EXPECT_EQ(nextNumber(), 25);
    EXPECT_EQ(nextNumber(), 0);
    EXPECT_EQ(nextNumber(), 7);
}

TEST_F(ReadFieldsTest, BlanksAfterANumberAtTheEndOfTheFileLeaveNothingMore)
{
    open("5   \t");
    double number = 0, after = 42;
    EXPECT_EQ(readFields(reader(), {&number, &after}), 1u);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(after, 42);
}

TEST_F(ReadFieldsTest, LeadingBlanksAreSkipped)
{
    open("  \t abc,\t  -3.5e2 ,   d e");
    EXPECT_EQ(nextText(), "abc");
    EXPECT_EQ(nextNumber(), -350);
    EXPECT_EQ(nextText(), "d e");
}

TEST_F(ReadFieldsTest, TextsKeepTheirTrailingBlanks)
{
    open("abc  ,def \t\r\nghi ");
    EXPECT_EQ(nextText(), "abc  ");
    EXPECT_EQ(nextText(), "def \t");
    EXPECT_EQ(nextText(), "ghi ");
}

TEST_F(ReadFieldsTest, AnEmptyLineIsOneEmptyField)
{
    open("\r\n\r\n\nx");
    EXPECT_EQ(nextText(), "");
    EXPECT_EQ(nextText(), "");
    EXPECT_EQ(nextText(), "");
    EXPECT_EQ(nextText(), "x");
}

TEST_F(ReadFieldsTest, AnEmptyFieldReadsAsZeroForNumbers)
{
    open(",\r\n");
    double number = 9;
    std::int16_t flag = 9;
    EXPECT_EQ(readFields(reader(), {&number, &flag}), 2u);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(flag, 0);
}

TEST_F(ReadFieldsTest, AnEmptyFileStoresNothing)
{
    open("");
    Text text = "old";
    double number = 7;
    EXPECT_EQ(readFields(reader(), {&text, &number}), 0u);
    EXPECT_EQ(text, "old");
    EXPECT_EQ(number, 7);
}

TEST_F(ReadFieldsTest, OnlyBlanksBeforeTheEndStoreNothing)
{
    open("   \t  ");
    Text text = "old";
    EXPECT_EQ(readFields(reader(), {&text}), 0u);
    EXPECT_EQ(text, "old");
}

TEST_F(ReadFieldsTest, TargetsAfterTheEndOfTheFileKeepTheirValues)
{
    open("a,");
    Text first = "old1", second = "old2";
    std::int32_t third = 3;
    EXPECT_EQ(readFields(reader(), {&first, &second, &third}), 1u);
    EXPECT_EQ(first, "a");
    EXPECT_EQ(second, "old2");
    EXPECT_EQ(third, 3);
}

TEST_F(ReadFieldsTest, AFileThatIsNotOpenStoresNothing)
{
    File missing("missing.dat", FileMode::readExclusive);
    ByteReader reader(missing);
    Text text = "old";
    std::int16_t flag = 1;
    EXPECT_EQ(readFields(reader, {&text, &flag}), 0u);
    EXPECT_EQ(text, "old");
    EXPECT_EQ(flag, 1);
}

TEST_F(ReadFieldsTest, OneCallFillsEachKindOfTarget)
{
    open("name,12.9,-7.9,2.5\r\n");
    Text text;
    std::int16_t small = 0;
    std::int32_t large = 0;
    double number = 0;
    EXPECT_EQ(readFields(reader(), {&text, &small, &large, &number}), 4u);
    EXPECT_EQ(text, "name");
    EXPECT_EQ(small, 12);
    EXPECT_EQ(large, -7);
    EXPECT_EQ(number, 2.5);
}

TEST_F(ReadFieldsTest, IntegerTargetsTakeTheNumberTruncatedAndHeldToTheirRange)
{
    open("40000,-40000,-3000000000,3000000000,&H1F,-0.9,x");
    std::int16_t high16 = 0, low16 = 0;
    std::int32_t low32 = 0, high32 = 0, hex = 0, fraction = 5;
    std::int16_t noDigits = 5;
    EXPECT_EQ(readFields(reader(), {&high16, &low16, &low32, &high32, &hex, &fraction, &noDigits}),
              7u);
    EXPECT_EQ(high16, std::numeric_limits<std::int16_t>::max());
    EXPECT_EQ(low16, std::numeric_limits<std::int16_t>::min());
    EXPECT_EQ(low32, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(high32, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(hex, 31);
    EXPECT_EQ(fraction, 0);
    EXPECT_EQ(noDigits, 0);
}

TEST_F(ReadFieldsTest, NumbersStopAtTheFirstByteThatDoesNotFit)
{
    open("12abc,1e+,&O17x");
    EXPECT_EQ(nextNumber(), 12);
    EXPECT_EQ(nextNumber(), 1);
    EXPECT_EQ(nextNumber(), 15);
}

TEST_F(ReadFieldsTest, ATextTargetLosesItsOldText)
{
    open("ab");
    Text text = "a much longer old text";
    readFields(reader(), {&text});
    EXPECT_EQ(text, "ab");
}

TEST_F(ReadFieldsTest, TheSameTargetTwiceKeepsTheSecondField)
{
    open("label,value\r\nnext");
    Text line;
    EXPECT_EQ(readFields(reader(), {&line, &line}), 2u);
    EXPECT_EQ(line, "value");
    EXPECT_EQ(nextText(), "next");
}

TEST_F(ReadFieldsTest, DoubleByteTextPassesThroughUnchanged)
{
    // Second bytes of double-byte characters and half-width katakana are never a blank, a
    // comma, a quote or a line end, so they need no special treatment.
    const Text label = cp932("ポート番号");
    const Text value = cp932("ソ表能 漢字ｻｰﾋﾞｽ");
    open(label + "," + value + "\r\n" + label + ",25\r\n");
    Text readLabel, readValue;
    double port = 0;
    EXPECT_EQ(readFields(reader(), {&readLabel, &readValue}), 2u);
    EXPECT_EQ(readLabel, label);
    EXPECT_EQ(readValue, value);
    EXPECT_EQ(readFields(reader(), {&readLabel, &port}), 2u);
    EXPECT_EQ(readLabel, label);
    EXPECT_EQ(port, 25);
}

TEST_F(ReadFieldsTest, BinaryJunkIsReadToTheEndWithoutTrouble)
{
    std::string junk;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk += static_cast<char>(seed >> 24);
    }
    for (int value = 0; value < 256; ++value)
        junk += static_cast<char>(value);
    open(junk);

    // Every stored field consumes at least one byte, so the file runs out within this many calls.
    const std::size_t callLimit = junk.size() + 1;
    std::size_t calls = 0;
    for (;;) {
        Text text;
        std::int16_t small = 0;
        std::int32_t large = 0;
        double number = 0;
        std::size_t stored = readFields(reader(), {&text, &small, &large, &number});
        ASSERT_LE(stored, 4u);
        EXPECT_EQ(text.find('\0'), Text::npos);
        if (stored < 4)
            break;
        ASSERT_LT(++calls, callLimit);
    }
    EXPECT_EQ(nextText(), "<none>");
}

TEST_F(ReadFieldsTest, ATenMegabyteLineIsReadToItsEnd)
{
    const std::size_t length = 10 * 1024 * 1024;
    open(std::string(length, 'x') + "\r\nnext\r\n");
    const Text line = nextText();
    EXPECT_FALSE(line.empty());
    EXPECT_LE(line.size(), length);
    EXPECT_EQ(line.find_first_not_of('x'), Text::npos);
    EXPECT_EQ(nextText(), "next");
}

TEST_F(ReadFieldsTest, ATenMegabyteNumberIsReadToItsEnd)
{
    open(std::string(10 * 1024 * 1024, '9') + "\r\n7\r\n");
    const double huge = nextNumber();
    EXPECT_GT(huge, 1e15);
    EXPECT_EQ(nextNumber(), 7);
}

TEST_F(ReadFieldsTest, OverLongTextsKeepTheirStartAndEndWhereTheyEnd)
{
    const std::string megabytes(3 * 1024 * 1024, 'x');
    const std::string kanji = cp932("漢");
    std::string doubleByte = "a";  // then double-byte characters, so the last kept byte is a lead byte
    while (doubleByte.size() < megabytes.size())
        doubleByte += kanji;
    struct OverLongField {
        std::string bytes;
        std::string text;  // what the first field gives
    };
    const OverLongField kFields[] = {
        {megabytes + ",next", megabytes.substr(0, kMaxFieldBytes)},
        {doubleByte + "\r\nnext", doubleByte.substr(0, kMaxFieldBytes - 1)},
        {"\"" + megabytes + ",\",next", "\"" + megabytes.substr(0, kMaxFieldBytes - 1)},
        {megabytes + "\rx\r,next", megabytes.substr(0, kMaxFieldBytes)},
        {megabytes + std::string("\0next", 5), megabytes.substr(0, kMaxFieldBytes)},
    };
    for (const OverLongField& field : kFields) {
        open(field.bytes);
        const Text text = nextText();
        EXPECT_EQ(text.size(), field.text.size());
        EXPECT_TRUE(text == field.text) << "reading " << field.bytes.substr(0, 20);
        EXPECT_EQ(nextText(), "next");
    }
}

TEST_F(ReadFieldsTest, LongNumbersReadAsTextToNumberReadsTheWholeField)
{
    const std::string halfwayAfterOne = "1.00000000000000011102230246251565404236316680908203125";
    struct LongNumber {
        std::string bytes;  // the number's field, then the field "5"
        double value;
    };
    // Runs longer than a text field keeps: the number must come from the whole field.
    const std::string zeros(2 * kMaxFieldBytes, '0');
    const LongNumber kNumbers[] = {
        {zeros + "123,5", 123},
        {halfwayAfterOne + zeros + "1\r\n5", std::nextafter(1.0, 2.0)},
        {"7" + zeros + "e-" + zeros + std::to_string(zeros.size()) + " \t,5", 7},
        {"12" + std::string(3 * 1024 * 1024, 'x') + "\r5,5", 12},
        {"\"1," + std::string(3 * 1024 * 1024, '1') + "\",5", 0},
    };
    for (const LongNumber& number : kNumbers) {
        open(number.bytes);
        EXPECT_EQ(nextNumber(), number.value) << "reading " << number.bytes.substr(0, 60);
        EXPECT_EQ(nextNumber(), 5);
    }
}

TEST_F(ReadFieldsTest, FieldsOfTenMegabytesTakeBoundedMemory)
{
    constexpr std::size_t kMegabyte = 1024 * 1024;
    {
        // Written a megabyte at a time, so that the test itself holds no more.
        File file(kFieldFile, FileMode::createExclusive);
        const std::string zeros(kMegabyte, '0'), text(kMegabyte, 't');
        ASSERT_TRUE(file.write(zeros));
        ASSERT_TRUE(file.write("7,"));
        for (int piece = 0; piece < 10; ++piece)
            ASSERT_TRUE(file.write(text));
        ASSERT_TRUE(file.write(",next"));
    }
    openWritten();
    resetHeapPeak();
    EXPECT_EQ(nextNumber(), 7);
    EXPECT_EQ(heapPeak(), 0u);  // a number of any length needs no heap
    resetHeapPeak();
    const Text text = nextText();
    EXPECT_LE(heapPeak(), 4 * kMaxFieldBytes);
    EXPECT_EQ(text.size(), kMaxFieldBytes);
    EXPECT_EQ(text.find_first_not_of('t'), Text::npos);
    EXPECT_EQ(nextText(), "next");
}
