// Field reading: the byte-level rules shared by velmor.ini and ToName.dat.
#include "settings/field_reader.h"

#include <utility>

#include "common/number_scanner.h"
#include "common/number_text.h"

namespace {

constexpr int kSpace = 0x20;
constexpr int kTab = 0x09;
constexpr int kQuote = 0x22;
constexpr int kComma = 0x2c;
constexpr int kLf = 0x0a;
constexpr int kCr = 0x0d;

bool isBlank(int byte) { return byte == kSpace || byte == kTab; }

enum class FieldEnd { complete, endedAtBlank, failed };

// Keeps the first kMaxFieldBytes + 1 bytes of a text field and drops the rest. The one byte more
// tells cp932PrefixLength that the field is longer, so that it cuts before a character that the
// limit would split.
class TextField {
public:
    static constexpr bool kEndsAtBlank = false;

    void take(char byte)
    {
        if (text_.size() <= kMaxFieldBytes)
            text_ += byte;
    }
    Text text() &&
    {
        text_.resize(cp932PrefixLength(text_, kMaxFieldBytes));
        return std::move(text_);
    }

private:
    Text text_;
};

// Reads a numeric field through the scanner; bytes after the number's end are only read.
class NumberField {
public:
    static constexpr bool kEndsAtBlank = true;

    void take(char byte)
    {
        if (inNumber_)
            inNumber_ = scanner_.take(byte);
    }
    double value() const { return scanner_.value(); }

private:
    NumberScanner scanner_;
    bool inNumber_ = true;
};

// Reads one field starting with first, the first byte that is not a blank, handing its bytes
// to field.
template <typename Field>
FieldEnd collectField(ByteReader& reader, int first, Field& field)
{
    bool quoted = false;
    int byte = first;
    for (;;) {
        if (byte == ByteReader::kFailed)
            return FieldEnd::failed;
        if (byte == ByteReader::kEnd || byte == 0 || byte == kLf)
            return FieldEnd::complete;
        if (byte == kCr) {
            int following = reader.next();
            if (following == kLf || following == ByteReader::kEnd)
                return FieldEnd::complete;
            if (following == ByteReader::kFailed)
                return FieldEnd::failed;
            // A CR inside a line belongs to the field; the byte after it is looked at afresh.
            field.take(static_cast<char>(kCr));
            byte = following;
            continue;
        }
        if (!quoted && byte == kComma)
            return FieldEnd::complete;
        if (!quoted && Field::kEndsAtBlank && isBlank(byte))
            return FieldEnd::endedAtBlank;
        if (byte == kQuote)
            quoted = !quoted;
        field.take(static_cast<char>(byte));
        byte = reader.next();
    }
}

// After a number that ended at a blank: skip blanks and one comma, leave anything else unread.
void skipToNextField(ByteReader& reader)
{
    int byte = reader.next();
    while (isBlank(byte))
        byte = reader.next();
    if (byte >= 0 && byte != kComma)
        reader.putBack(static_cast<unsigned char>(byte));
}

void store(std::int16_t* target, double value) { *target = truncateToInt16(value); }
void store(std::int32_t* target, double value) { *target = truncateToInt32(value); }
void store(double* target, double value) { *target = value; }

// Reads the field starting with first into target; false when a read failed.
bool readField(ByteReader& reader, int first, Text* target)
{
    TextField field;
    if (collectField(reader, first, field) == FieldEnd::failed)
        return false;
    *target = std::move(field).text();
    return true;
}

template <typename Number>
bool readField(ByteReader& reader, int first, Number* target)
{
    NumberField field;
    FieldEnd end = collectField(reader, first, field);
    if (end == FieldEnd::failed)
        return false;
    if (end == FieldEnd::endedAtBlank)
        skipToNextField(reader);
    store(target, field.value());
    return true;
}

}  // namespace

std::size_t readFields(ByteReader& reader, std::initializer_list<FieldTarget> targets)
{
    std::size_t stored = 0;
    for (const FieldTarget& target : targets) {
        int first = reader.next();
        while (isBlank(first))
            first = reader.next();
        if (first < 0)
            return stored;
        bool read = std::visit([&](auto* variable) { return readField(reader, first, variable); },
                               target);
        if (!read)
            return stored;
        ++stored;
    }
    return stored;
}
