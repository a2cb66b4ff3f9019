// Reads the program's settings files as a stream of fields: texts and numbers separated by
// commas and line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <variant>

#include "common/byte_reader.h"
#include "common/text.h"

using FieldTarget = std::variant<Text*, std::int16_t*, std::int32_t*, double*>;

// The most of a field a text target receives; the rest is read and dropped, so that a hand-made
// file of gigabytes cannot exhaust memory. Far more than any text needs: the longest the program
// writes, a 255-byte password scrambled, has 1020 digits (a longer password line must still
// unscramble to more than 255 bytes, to be cut where it always was), and recipient names and
// addresses, which have no fixed size, come back whole up to this length.
constexpr std::size_t kMaxFieldBytes = 65536;

// Reads one field per target from the reader's position, in order. A field ends at the end of
// the file, a zero byte, LF, CR LF, a comma outside double quotes or, for a number, a blank
// outside double quotes. Leading blanks are skipped. When the file ends before a field starts,
// or a read fails, that target and all later ones keep their values. Returns the number of
// targets stored. A text target receives at most kMaxFieldBytes of its field, never ending
// inside a double-byte character; a number target receives textToNumber of the whole field.
// The rest of a field is read without being kept, so memory stays bounded for any field.
std::size_t readFields(ByteReader& reader, std::initializer_list<FieldTarget> targets);
