// The recipient list: five recipients, each with its own character limit, kept in ToName.dat.
#pragma once

#include <array>
#include <cstdint>

#include "common/text.h"

constexpr char kRecipientFileName[] = "ToName.dat";
constexpr int kRecipientCount = 5;

struct RecipientEntry {
    Text name;
    Text address;
    double charLimit = 0;
};

extern std::array<RecipientEntry, kRecipientCount> recipients;
// The entry chosen in the Options dialog's combo box, 0 to 4.
extern std::int32_t currentRecipient;

// Fills the five entries from ToName.dat in the current directory; fields the file does not
// supply keep their values, and a missing file is not reported.
void loadRecipients();

// Replaces ToName.dat with the five entries, one "name,address,limit" line each. A failure is
// not reported and leaves the old file as it was.
void saveRecipients();
