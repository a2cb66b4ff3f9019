// The three message texts: the editor's whole text and its subject and body, refreshed after
// every change of the editor and read by the send procedure and the send log.
#pragma once

#include "common/text.h"

extern Text messageText;     // the whole text of the editor, CR LF line breaks
extern Text messageSubject;  // its first line
extern Text messageBody;     // everything after the first line break
