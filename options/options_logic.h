// The rules behind the Options dialog that need no window: which Windows it runs on, where the
// opacity slider stands, how the three authentication check boxes exclude each other, and how
// check boxes and list selections become stored values.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"

// The name of a Windows version from GetVersionExA's platform id and version numbers:
// "Windows95/98/ME", "WindowsNT" (4.x), "Windows2000", "WindowsXP", "不明" for another 5.x and
// empty text for everything newer or unknown.
Text osNameFor(unsigned long platformId, unsigned long majorVersion, unsigned long minorVersion);

// False on the systems without layered windows (95, 98, ME and NT 4), where the translucency
// controls are disabled.
bool translucencyOffered(std::string_view osName);

// The slider position for the percent box's text: its number truncated toward zero and held to
// 0 to 100, so "150" gives 100 and "-5" or non-numeric text 0.
std::uint8_t sliderPositionFor(std::string_view percentText);

// The slider position the dialog opens with: the low eight bits of opacity.
std::uint8_t openingSliderPosition(std::int32_t opacity);

// The three authentication check boxes, in the order they stand on screen.
struct AuthChecks {
    bool popBeforeSmtp = false;
    bool apopBeforeSmtp = false;
    bool smtpAuth = false;

    friend bool operator==(const AuthChecks&, const AuthChecks&) = default;
};

enum class AuthBox { popBeforeSmtp, apopBeforeSmtp, smtpAuth };

// The boxes after a click on one of them, given the state the click left them in (it has
// already toggled the clicked box): a box the click checked becomes the only checked one; a box
// the click unchecked is checked again, so a click never leaves the three with none checked.
AuthChecks authChecksAfterClick(AuthChecks toggled, AuthBox clicked);

// A check box shows a flag as checked only when it holds 1; any state other than unchecked is
// stored as 1.
constexpr bool checkedForFlag(std::int16_t flag) { return flag == 1; }
constexpr std::int16_t flagForCheckState(long checkState) { return checkState != 0 ? 1 : 0; }

// The recipient entry after the list reports selectedItem: that item, or current unchanged when
// the report names no entry (no selection, or an index out of the list).
std::int32_t recipientAfterSelection(long selectedItem, std::int32_t current);
