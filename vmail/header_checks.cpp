// The checks of what goes into a header.
#include "vmail/header_checks.h"

#include <algorithm>
#include <iterator>

namespace vmail {
namespace {

constexpr std::size_t kMaxAddressLength = 254;  // RFC 5321 4.5.3.1.3: a path of 256 with "<>"
constexpr std::size_t kMaxMessageIdLength = kMaxLineLength - 12;  // after "Message-ID: "

// Fields composed here, which RFC 5322 3.6 allows once each, and Bcc, which recipients must
// never see: the extra header may be none of them.
constexpr std::string_view kComposedFields[] = {
    "Date",         "From",         "To",         "Cc", "Bcc", "Subject", "Message-ID",
    "MIME-Version", "Content-Type", "Content-Transfer-Encoding"};

bool isPrintableAscii(char c) { return c >= 0x20 && c <= 0x7e; }

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

// RFC 5322 3.2.3 atext: the characters of an atom.
bool isAtext(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool isPrintableAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return isPrintableAscii(c); });
}

bool isDotAtom(std::string_view text)
{
    if (text.empty() || text.front() == '.' || text.back() == '.' ||
        text.find("..") != std::string_view::npos)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || isAtext(c); });
}

bool isPlainAddress(std::string_view address)
{
    if (address.empty() || address.size() > kMaxAddressLength)
        return false;
    constexpr std::string_view kSpecials = "<>()[],;:\\\"";
    return std::all_of(address.begin(), address.end(), [&](char c) {
        return c > 0x20 && c < 0x7f && kSpecials.find(c) == std::string_view::npos;
    });
}

bool isPlainMessageId(std::string_view id)
{
    if (id.size() < 5 || id.size() > kMaxMessageIdLength || id.front() != '<' || id.back() != '>')
        return false;
    std::string_view inner = id.substr(1, id.size() - 2);
    std::size_t at = inner.rfind('@');
    return at != std::string_view::npos && at != 0 && at + 1 != inner.size() &&
           std::all_of(inner.begin(), inner.end(), [](char c) {
               return c > 0x20 && c < 0x7f && c != '<' && c != '>';
           });
}

bool isPlainExtraHeader(std::string_view header)
{
    std::size_t colon = header.find(':');
    if (colon == std::string_view::npos || colon == 0 || header.size() > kMaxLineLength)
        return false;
    std::string_view name = header.substr(0, colon);
    std::string_view value = header.substr(colon + 1);
    auto nameCharacter = [](char c) { return c > 0x20 && c < 0x7f; };
    auto valueCharacter = [](char c) { return c == '\t' || isPrintableAscii(c); };
    if (!std::all_of(name.begin(), name.end(), nameCharacter) ||
        !std::all_of(value.begin(), value.end(), valueCharacter))
        return false;
    return std::none_of(std::begin(kComposedFields), std::end(kComposedFields),
                        [&](std::string_view field) { return equalsIgnoringCase(name, field); });
}

bool isValidDate(const MailDate& d)
{
    return d.year >= 1900 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= daysInMonth(d.year, d.month) && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 &&
           d.minute <= 59 && d.second >= 0 && d.second <= 60 && d.utcOffsetMinutes > -24 * 60 &&
           d.utcOffsetMinutes < 24 * 60;
}

}  // namespace vmail
