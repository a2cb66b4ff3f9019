// velmor.ini: the Settings record between runs, one "label,value" line per field.
#pragma once

#include "common/text.h"

constexpr char kSettingsFileName[] = "velmor.ini";

// Fills the Settings record from velmor.ini in the current directory. A missing or unreadable
// file is not reported; fields the file does not supply keep their values.
void loadSettings();

// Replaces velmor.ini with the Settings record. A failure is not reported and leaves the old
// file as it was.
void saveSettings();

// The password's file form: the decimal text of each byte plus 2731, four digits per byte.
// With unscramble true, turns that form back into the password.
Text scramblePassword(const Text& text, bool unscramble);
