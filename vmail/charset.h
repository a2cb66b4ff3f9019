// Conversion of the program's code page 932 text into UTF-8 for the mail that goes out, and of
// what a server says in UTF-8 into code page 932 for the program to show.
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

// The length of the UTF-8 character at the front of text: 1 to 4 bytes in its shortest form, no
// surrogate, at most U+10FFFF; 0 when the bytes there are not one (or text is empty).
std::size_t utf8CharacterLength(std::string_view text);

// True when text is a whole number of UTF-8 characters as utf8CharacterLength takes them.
bool isUtf8(std::string_view text);

// The code page 932 bytes of one UTF-8 character as the system's table gives them; nothing when
// the table has none. Platform-specific; utf8ToCp932 is what callers use.
std::optional<std::string> utf8CharacterToCp932(std::string_view character);

// UTF-8 to code page 932, "?" for each character that code page 932 lacks or that would not come
// back as itself (so no best-fit look-alike stands in for it, on either system), and for each
// byte that starts no UTF-8 character.
std::string utf8ToCp932(std::string_view utf8);

// The longest front of a code page 932 text that holds at most maxBytes and does not end on the
// lead byte of a double-byte character.
std::string_view cp932Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace vmail
