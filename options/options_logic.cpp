// The Options dialog's window-free rules.
#include "options/options_logic.h"

#include <algorithm>

#include "common/number_text.h"
#include "settings/recipients.h"

namespace {

constexpr unsigned long kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS: 95, 98, ME
constexpr unsigned long kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT

constexpr char kWindows9x[] = "Windows95/98/ME";
constexpr char kWindowsNt4[] = "WindowsNT";
constexpr char kUnknownWindows[] = "\x95s\x96\xbe";  // "不明"

}  // namespace

Text osNameFor(unsigned long platformId, unsigned long majorVersion, unsigned long minorVersion)
{
    if (platformId == kPlatformWindows)
        return kWindows9x;
    if (platformId != kPlatformNt)
        return "";
    if (majorVersion == 4)
        return kWindowsNt4;
    if (majorVersion != 5)
        return "";
    switch (minorVersion) {
    case 0: return "Windows2000";
    case 1: return "WindowsXP";
    default: return kUnknownWindows;
    }
}

bool translucencyOffered(std::string_view osName)
{
    return osName != kWindows9x && osName != kWindowsNt4;
}

std::uint8_t sliderPositionFor(std::string_view percentText)
{
    std::int32_t percent = truncateToInt32(textToNumber(percentText));
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(percent, 0, 100));
}

std::uint8_t openingSliderPosition(std::int32_t opacity)
{
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(opacity) & 0xff);
}

AuthChecks authChecksAfterClick(AuthChecks toggled, AuthBox clicked)
{
    bool AuthChecks::*box = clicked == AuthBox::popBeforeSmtp    ? &AuthChecks::popBeforeSmtp
                            : clicked == AuthBox::apopBeforeSmtp ? &AuthChecks::apopBeforeSmtp
                                                                 : &AuthChecks::smtpAuth;
    if (!(toggled.*box)) {
        toggled.*box = true;
        return toggled;
    }
    AuthChecks only;
    only.*box = true;
    return only;
}

std::int32_t recipientAfterSelection(long selectedItem, std::int32_t current)
{
    if (selectedItem < 0 || selectedItem >= kRecipientCount)
        return current;
    return static_cast<std::int32_t>(selectedItem);
}
