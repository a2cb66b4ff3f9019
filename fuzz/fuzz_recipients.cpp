// ToName.dat as the program reads it at start-up: the input becomes the file, loadRecipients
// reads it from the scratch folder. Checks that no entry holds a byte that ends a field (LF,
// NUL) or more than a text field keeps, that limits are finite, and that loading is repeatable.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check.h"
#include "common/number_text.h"
#include "scratch_dir.h"
#include "settings/field_reader.h"
#include "settings/recipients.h"

namespace {

// A field never holds a byte that ends one, nor starts with the blanks skipped before it.
void checkField(const Text& field)
{
    CHECK(field.size() <= kMaxFieldBytes);
    CHECK(field.find('\n') == std::string::npos);
    CHECK(field.find('\0') == std::string::npos);
    CHECK(field.empty() || (field.front() != ' ' && field.front() != '\t'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    const std::string file(reinterpret_cast<const char*>(data), size);
    writeScratchFile(kRecipientFileName, file);
    recipients = {};
    loadRecipients();
    const auto first = recipients;
    std::size_t bytes = 0;
    for (const RecipientEntry& entry : recipients) {
        checkField(entry.name);
        checkField(entry.address);
        CHECK(std::isfinite(entry.charLimit));
        bytes += entry.name.size() + entry.address.size();
    }
    // Fields are cut out of the file, never made up.
    CHECK(bytes <= size);

    // A second load of the same file gives the same entries.
    recipients = {};
    loadRecipients();
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        CHECK(recipients[i].name == first[i].name);
        CHECK(recipients[i].address == first[i].address);
        CHECK(numberToText(recipients[i].charLimit) == numberToText(first[i].charLimit));
    }
    return 0;
}
