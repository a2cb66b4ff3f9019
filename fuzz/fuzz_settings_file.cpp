// velmor.ini as the program reads it at start-up: the input becomes the file, loadSettings
// reads it from the scratch folder. Checks that every text field keeps to its 255 bytes
// without a split character, that numbers are finite, and that a file saved from what was
// read reads back to the same record and saves to the same bytes again.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check.h"
#include "common/number_text.h"
#include "common/text.h"
#include "scratch_dir.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

const FieldText Settings::* const kTexts[] = {
    &Settings::smtpServer, &Settings::fromName,     &Settings::fromAddress, &Settings::pop3Server,
    &Settings::pop3UserId, &Settings::pop3Password, &Settings::toName,      &Settings::toAddress,
};

void checkFits(const Settings& record)
{
    for (const FieldText Settings::* text : kTexts) {
        const FieldText& field = record.*text;
        CHECK(field.size() <= FieldText::kMaxBytes);
        // No character cut in two at the end.
        CHECK(cp932PrefixLength(field.str(), field.size()) == field.size());
        // The reader ends a field at a zero byte; only the password, which is unscrambled
        // from digits ("2731" is byte 0), can hold one.
        if (text != &Settings::pop3Password)
            CHECK(field.str().find('\0') == std::string::npos);
    }
    CHECK(std::isfinite(record.charLimit));
    CHECK(std::isfinite(record.smtpPort));
}

bool sameRecord(const Settings& a, const Settings& b)
{
    for (const FieldText Settings::* text : kTexts) {
        if ((a.*text).str() != (b.*text).str())
            return false;
    }
    return a.opacity == b.opacity && a.translucent == b.translucent &&
           a.warnSound == b.warnSound && a.popBeforeSmtp == b.popBeforeSmtp &&
           a.apopBeforeSmtp == b.apopBeforeSmtp && a.smtpAuth == b.smtpAuth &&
           numberToText(a.charLimit) == numberToText(b.charLimit) &&
           numberToText(a.smtpPort) == numberToText(b.smtpPort);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    writeScratchFile(kSettingsFileName, std::string(reinterpret_cast<const char*>(data), size));
    settings = Settings();
    loadSettings();
    checkFits(settings);

    // What was read must survive a save and a load, as it does between two runs.
    const Settings read = settings;
    saveSettings();
    const std::string saved = readScratchFile(kSettingsFileName);
    settings = Settings();
    loadSettings();
    checkFits(settings);
    CHECK(sameRecord(read, settings));
    saveSettings();
    CHECK(readScratchFile(kSettingsFileName) == saved);
    return 0;
}
