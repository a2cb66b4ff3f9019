// The checks composeMessage makes of everything that goes into a header before it writes any of
// it: no address, Message-ID, extra header or date the caller passes can add a field, end the
// header or change a field's structure.
#pragma once

#include <cstddef>
#include <string_view>

#include "vmail/message.h"

namespace vmail {

constexpr std::size_t kMaxLineLength = 998;  // RFC 5322 2.1.1, CR LF not counted

bool isPrintableAscii(std::string_view text);

// RFC 5322 3.2.3 dot-atom-text: atoms joined by single dots.
bool isDotAtom(std::string_view text);

// An address the caller has checked still must not be able to change a header's structure:
// no blank, control or 8-bit byte, and none of the specials that open a display name, a
// comment, a group, a domain literal or a second address.
bool isPlainAddress(std::string_view address);

// "<id-left@id-right>" of printable characters, nothing in it that could end the field.
bool isPlainMessageId(std::string_view id);

// One "Name: value" line: a field name of printable characters other than ':' (RFC 5322 3.6.8),
// a value of printable ASCII and tabs, no field that is composed here.
bool isPlainExtraHeader(std::string_view header);

// The years RFC 5322 3.3 writes with four digits; a second of 60 is a leap second.
bool isValidDate(const MailDate& date);

}  // namespace vmail
