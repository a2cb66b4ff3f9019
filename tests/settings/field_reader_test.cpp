// Reading the settings files as a stream of fields: where fields end, what texts and numbers
// receive, and what happens when the file runs out.
#include "settings/field_reader.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/file.h"
#include "tests/support/heap_peak.h"
#include "tests/support/test_files.h"

namespace {

constexpr char kFieldFile[] = "fields.dat";
// What a read of one field gives when no field was stored.
constexpr char kNoText[] = "<none>";
constexpr double kNoNumber = -999;

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

    // The next field of the open file as a text, or kNoText.
    Text nextText()
    {
        Text text = kNoText;
        readFields(reader(), {&text});
        return text;
    }

    // The next field of the open file as a 64-bit number, or kNoNumber.
    double nextNumber()
    {
        double number = kNoNumber;
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


// A target of one readFields call: its kind, and the value it holds before the call and must
// hold after it.
struct Target {
    enum Kind { text, int16, int32, number } kind;
    Text textBefore, textAfter;
    double numberBefore = 0, numberAfter = 0;
};

Target textTarget(Text before, Text after) { return {Target::text, before, after}; }
Target numberTarget(Target::Kind kind, double before, double after)
{
    return {kind, "", "", before, after};
}

// One readFields call, and how many targets it must store.
struct Call {
    std::vector<Target> targets;
    std::size_t stored;
};

// The next field as a text or a 64-bit number.
Call text(Text after) { return {{textTarget(kNoText, after)}, after == kNoText ? 0u : 1u}; }
Call number(double after)
{
    return {{numberTarget(Target::number, kNoNumber, after)}, after == kNoNumber ? 0u : 1u};
}

// A field file and the calls that read it from its start.
struct FieldFile {
    const char* name;
    std::string bytes;
    std::vector<Call> calls;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const FieldFile& row, std::ostream* out)
{
    *out << row.name;
}

const std::vector<FieldFile>& fieldFiles()
{
    using T = Target;
    const Text label = cp932("ポート番号");
    const Text value = cp932("ソ表能 漢字ｻｰﾋﾞｽ");  // second bytes that look like blanks and quotes
    static const std::vector<FieldFile> files = {
        {"TheEndOfTheFileEndsAField", "abc", {text("abc"), text(kNoText)}},
        {"AZeroByteEndsAFieldAndIsConsumed", std::string("ab\0cd", 5), {text("ab"), text("cd")}},
        {"LineFeedEndsAFieldAndIsConsumed", "ab\ncd\n", {text("ab"), text("cd"), text(kNoText)}},
        {"CarriageReturnLineFeedEndsAFieldAndBothAreConsumed", "ab\r\ncd\r\n",
         {text("ab"), text("cd"), text(kNoText)}},
        {"ACarriageReturnBeforeAnyOtherByteStaysInTheField", "a\rb,c\r\r\nd\r,e\r x",
         {text("a\rb"), text("c\r"), text("d\r"), text("e\r x")}},
        {"ACarriageReturnAsTheLastByteOfTheFileEndsTheField", "ab\r", {text("ab"), text(kNoText)}},
        {"ACarriageReturnBeforeAZeroByteStaysInTheField", std::string("ab\r\0cd", 6),
         {text("ab\r"), text("cd")}},
        {"ACommaEndsAFieldAndIsConsumed", "ab,cd,,e", {text("ab"), text("cd"), text(""), text("e")}},
        {"CommasInsideDoubleQuotesDoNotEndAFieldAndTheQuotesStay", "\"a,b\",c\r\nx\"y,z\"w,v",
         {text("\"a,b\""), text("c"), text("x\"y,z\"w"), text("v")}},
        {"AnUnclosedQuoteRunsToTheEndOfTheFile", "\"a,b c", {text("\"a,b c")}},
        {"LineEndsAndZeroBytesEndAFieldInsideQuotesToo", std::string("\"a\nb\r\nc\0d", 9),
         {text("\"a"), text("b"), text("c"), text("d")}},
        // The first field ends inside its quote; the quote in the second field then opens a
        // quoted part that keeps the comma.
        {"EveryFieldStartsOutsideQuotes", "\"a\r\nb\",c", {text("\"a"), text("b\",c")}},
        {"BlanksEndNumbersButNotTexts", "12 34\t56\r\nab cd\tef",
         {{{numberTarget(T::number, 0, 12), numberTarget(T::number, 0, 34),
            numberTarget(T::number, 0, 56), textTarget("", "ab cd\tef")}, 4}}},
        // The quoted field reads as 0; if its blank ended it, the next number would be "2\"".
        {"BlanksInsideQuotesDoNotEndANumber", "\"1 2\",3",
         {{{numberTarget(T::number, -1, 0), numberTarget(T::number, -1, 3)}, 2}}},
        {"BlanksThenACommaEndOneNumber", "12  ,34 \t , 56",
         {number(12), number(34), number(56), number(kNoNumber)}},
        {"BlanksThenAnotherValueLeaveThatValueForTheNextField", "1  2\t\tx,3",
         {number(1), number(2), text("x"), number(3)}},
        // The line end after the blanks is left for the next field, which it ends at once.
        {"BlanksAfterANumberThenALineEndGiveAnEmptyField", "25 \r\n7",
         {number(25), number(0), number(7)}},
        {"BlanksAfterANumberAtTheEndOfTheFileLeaveNothingMore", "5   \t",
         {{{numberTarget(T::number, 0, 5), numberTarget(T::number, 42, 42)}, 1}}},
        {"LeadingBlanksAreSkipped", "  \t abc,\t  -3.5e2 ,   d e",
         {text("abc"), number(-350), text("d e")}},
        {"TextsKeepTheirTrailingBlanks", "abc  ,def \t\r\nghi ",
         {text("abc  "), text("def \t"), text("ghi ")}},
        {"AnEmptyLineIsOneEmptyField", "\r\n\r\n\nx", {text(""), text(""), text(""), text("x")}},
        {"AnEmptyFieldReadsAsZeroForNumbers", ",\r\n",
         {{{numberTarget(T::number, 9, 0), numberTarget(T::int16, 9, 0)}, 2}}},
        {"AnEmptyFileStoresNothing", "",
         {{{textTarget("old", "old"), numberTarget(T::number, 7, 7)}, 0}}},
        {"OnlyBlanksBeforeTheEndStoreNothing", "   \t  ", {{{textTarget("old", "old")}, 0}}},
        {"TargetsAfterTheEndOfTheFileKeepTheirValues", "a,",
         {{{textTarget("old1", "a"), textTarget("old2", "old2"), numberTarget(T::int32, 3, 3)}, 1}}},
        {"OneCallFillsEachKindOfTarget", "name,12.9,-7.9,2.5\r\n",
         {{{textTarget("", "name"), numberTarget(T::int16, 0, 12), numberTarget(T::int32, 0, -7),
            numberTarget(T::number, 0, 2.5)}, 4}}},
        {"IntegerTargetsTakeTheNumberTruncatedAndHeldToTheirRange",
         "40000,-40000,-3000000000,3000000000,&H1F,-0.9,x",
         {{{numberTarget(T::int16, 0, INT16_MAX), numberTarget(T::int16, 0, INT16_MIN),
            numberTarget(T::int32, 0, INT32_MIN), numberTarget(T::int32, 0, INT32_MAX),
            numberTarget(T::int32, 0, 31), numberTarget(T::int32, 5, 0),
            numberTarget(T::int16, 5, 0)}, 7}}},
        {"NumbersStopAtTheFirstByteThatDoesNotFit", "12abc,1e+,&O17x",
         {number(12), number(1), number(15)}},
        {"ATextTargetLosesItsOldText", "ab", {{{textTarget("a much longer old text", "ab")}, 1}}},
        // Second bytes of double-byte characters and half-width katakana are never a blank, a
        // comma, a quote or a line end, so they need no special treatment.
        {"DoubleByteTextPassesThroughUnchanged", label + "," + value + "\r\n" + label + ",25\r\n",
         {{{textTarget("", label), textTarget("", value)}, 2},
          {{textTarget("", label), numberTarget(T::number, 0, 25)}, 2}}},
    };
    return files;
}

// readFields over targets known only at run time: it takes them as a braced list.
constexpr std::size_t kMostTargets = 8;
template <std::size_t N = 1>
std::size_t readList(ByteReader& reader, const std::vector<FieldTarget>& targets)
{
    if constexpr (N < kMostTargets) {
        if (targets.size() > N)
            return readList<N + 1>(reader, targets);
    }
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return readFields(reader, {targets[I]...});
    }(std::make_index_sequence<N>());
}

// The value of the target's type that it holds before the call, or must hold after it.
template <typename Value>
Value valueOf(const Value&, const Target& target, bool after)
{
    if constexpr (std::is_same_v<Value, Text>)
        return after ? target.textAfter : target.textBefore;
    else
        return static_cast<Value>(after ? target.numberAfter : target.numberBefore);
}

class FieldFileTest : public ReadFieldsTest, public ::testing::WithParamInterface<FieldFile> {};

}  // namespace

TEST_P(FieldFileTest, ReadsAsWritten)
{
    open(GetParam().bytes);
    for (const Call& call : GetParam().calls) {
        const std::size_t count = call.targets.size();
        ASSERT_LE(count, kMostTargets);
        std::vector<Text> texts(count);
        std::vector<std::int16_t> int16s(count);
        std::vector<std::int32_t> int32s(count);
        std::vector<double> numbers(count);
        std::vector<FieldTarget> list;
        for (std::size_t i = 0; i < count; ++i) {
            const FieldTarget kinds[] = {&texts[i], &int16s[i], &int32s[i], &numbers[i]};
            list.push_back(kinds[call.targets[i].kind]);
            std::visit([&](auto* value) { *value = valueOf(*value, call.targets[i], false); }, list[i]);
        }
        EXPECT_EQ(readList(reader(), list), call.stored);
        for (std::size_t i = 0; i < count; ++i) {
            std::visit([&](auto* value) {
                EXPECT_EQ(*value, valueOf(*value, call.targets[i], true)) << "target " << i + 1;
            }, list[i]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(File, FieldFileTest, ::testing::ValuesIn(fieldFiles()),
                         [](const auto& row) { return std::string(row.param.name); });

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

TEST_F(ReadFieldsTest, TheSameTargetTwiceKeepsTheSecondField)
{
    open("label,value\r\nnext");
    Text line;
    EXPECT_EQ(readFields(reader(), {&line, &line}), 2u);
    EXPECT_EQ(line, "value");
    EXPECT_EQ(nextText(), "next");
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
    EXPECT_EQ(nextText(), kNoText);
}

TEST_F(ReadFieldsTest, ATenMegabyteLineIsReadToItsEnd)
{
    const std::size_t length = 10 * 1024 * 1024;
    open(std::string(length, 'x') + "\r\nnext\r\n");
    const Text line = nextText();
    EXPECT_EQ(line.size(), kMaxFieldBytes);
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
