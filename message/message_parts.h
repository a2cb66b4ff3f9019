// What the editor's text means: its subject and body, the counter text, the Subject label's
// state and the window title built from a recipient name. Portable, so it is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"

constexpr std::size_t kMaxSubjectBytes = 256;
constexpr std::size_t kMaxLineBytes = 255;  // a 256-byte buffer with its terminating zero

struct MessageParts {
    Text subject;  // the first line, up to the first CR; empty when the text has no CR
    Text body;     // everything after the first LF; the whole text when it has none
};

// Splits the editor's text. A first line longer than 256 bytes gives its first 256 bytes as
// the subject, dropping a double-byte character that the cut would split.
MessageParts splitMessage(std::string_view text);

// "文字数:" with the count and the limit in the program's number form: 文字数:12/50.
Text counterText(double count, double limit);

enum class SubjectLabel { belowLimit, atOrAboveLimit };

SubjectLabel subjectLabelFor(double count, double limit);

// The warning sound plays when the count meets the limit exactly and the sound is switched on.
bool warningSoundDue(double count, double limit, std::int16_t warnSound);

// "To " and the name, cut to the 255 bytes a title buffer holds without splitting a character.
Text recipientTitle(std::string_view name);
