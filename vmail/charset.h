// Conversion of the program's code page 932 text into UTF-8 for the mail that goes out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vmail {

// The length of the character that text starts with: 2 for a lead byte 0x81-0x9F or 0xE0-0xFC
// followed by a trail byte 0x40-0x7E or 0x80-0xFC, 0 for no text, otherwise 1.
std::size_t cp932CharacterLength(std::string_view text);

// True when every byte is 7-bit ASCII.
bool isAscii(std::string_view text);

// True when the bytes split into whole code page 932 characters by their shape: single bytes
// 0x00-0x7F and 0xA1-0xDF (half-width katakana), or a lead byte 0x81-0x9F or 0xE0-0xFC followed
// by a trail byte 0x40-0x7E or 0x80-0xFC. Whether a pair is assigned is for the conversion.
bool isCp932Shaped(std::string_view text);

// Code page 932 to UTF-8 with the Windows mapping: "①", 0x81 0x60 "～" as U+FF5E FULLWIDTH
// TILDE (not U+301C WAVE DASH), 0x5C as U+005C, half-width katakana, the NEC special characters,
// the NEC-selected and IBM extensions and the user-defined area (U+E000-U+E757). Nothing when the
// text is not valid code page 932: a lone lead byte, a bad trail byte, an unassigned pair, or one
// of the single bytes 0x80, 0xA0 and 0xFD-0xFF (Windows maps 0x80 to U+0080 but iconv refuses it;
// refusing it on both keeps the two builds identical).
std::optional<std::string> cp932ToUtf8(std::string_view text);

}  // namespace vmail
