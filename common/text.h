// Code page 932 text: the program's byte-string text type and copies bounded without ever
// splitting a double-byte character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Every text the program shows, stores or sends: code page 932 bytes with their own length.
using Text = std::string;

// True for the bytes that open a double-byte character in code page 932.
constexpr bool isCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
}

// Length of the longest prefix of text that holds at most maxBytes bytes and does not end
// between the two bytes of a double-byte character. Characters are found by scanning from the
// start, since a trail byte can have the value of a lead byte.
std::size_t cp932PrefixLength(std::string_view text, std::size_t maxBytes);

// Copies at most maxBytes of text, never ending on the lead byte of a double-byte character.
// When cut is given it tells whether anything was left out.
Text cappedCp932(std::string_view text, std::size_t maxBytes, bool* cut = nullptr);
