// Field reading: the byte-level rules shared by velmor.ini and ToName.dat.
#include "settings/field_reader.h"

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

// Collects one field starting with first, the first byte that is not a blank.
FieldEnd collectField(ByteReader& reader, int first, bool numeric, Text& field)
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
            field += static_cast<char>(kCr);
            byte = following;
            continue;
        }
        if (!quoted && byte == kComma)
            return FieldEnd::complete;
        if (!quoted && numeric && isBlank(byte))
            return FieldEnd::endedAtBlank;
        if (byte == kQuote)
            quoted = !quoted;
        field += static_cast<char>(byte);
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

struct Store {
    const Text& field;
    void operator()(Text* target) const { *target = field; }
    void operator()(std::int16_t* target) const { *target = truncateToInt16(textToNumber(field)); }
    void operator()(std::int32_t* target) const { *target = truncateToInt32(textToNumber(field)); }
    void operator()(double* target) const { *target = textToNumber(field); }
};

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

        const bool numeric = !std::holds_alternative<Text*>(target);
        Text field;
        FieldEnd end = collectField(reader, first, numeric, field);
        if (end == FieldEnd::failed)
            return stored;
        if (end == FieldEnd::endedAtBlank)
            skipToNextField(reader);
        std::visit(Store{field}, target);
        ++stored;
    }
    return stored;
}
