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

// Reads one field per target from the reader's position, in order. A field ends at the end of
// the file, a zero byte, LF, CR LF, a comma outside double quotes or, for a number, a blank
// outside double quotes. Leading blanks are skipped. When the file ends before a field starts,
// or a read fails, that target and all later ones keep their values. Returns the number of
// targets stored.
std::size_t readFields(ByteReader& reader, std::initializer_list<FieldTarget> targets);
