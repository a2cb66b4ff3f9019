// Parameter checks.
#include "vmail/parameters.h"

#include "vmail/charset.h"

namespace vmail {

namespace {

bool isPrintableNonBlank(char c) { return c > 0x20 && c < 0x7f; }

constexpr std::string_view kFullWidthSpace = "\x81\x40";  // "　" in code page 932

// The length of the blank that text starts with, 0 when it starts with none; text must start on
// a character.
std::size_t blankAtStart(std::string_view text)
{
    if (text.starts_with(' ') || text.starts_with('\t'))
        return 1;
    return text.starts_with(kFullWidthSpace) ? kFullWidthSpace.size() : 0;
}

}  // namespace

std::string_view withoutBlanks(std::string_view text)
{
    while (std::size_t blank = blankAtStart(text))
        text.remove_prefix(blank);
    // 0x40 and 0x81 can be the second byte of a double-byte character ("メ" is 0x83 0x81), so
    // the blanks at the end are found by walking the characters from the start.
    std::size_t end = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t blank = blankAtStart(text.substr(at));
        at += blank ? blank : cp932CharacterLength(text.substr(at));
        if (!blank)
            end = at;
    }
    return text.substr(0, end);
}

bool isSafeHost(std::string_view host)
{
    if (host.empty() || host.size() > kMaxHostLength)
        return false;
    for (char c : host) {
        if (!isPrintableNonBlank(c))
            return false;
    }
    return true;
}

bool isSafeAddress(std::string_view address)
{
    if (address.size() < 3 || address.size() > kMaxAddressLength)
        return false;
    for (char c : address) {
        if (!isPrintableNonBlank(c) || c == '<' || c == '>' || c == ',' || c == '"' || c == '\\')
            return false;
    }
    std::size_t at = address.find('@');
    return at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
           address.find('@', at + 1) == std::string_view::npos;
}

std::optional<std::vector<std::string>> parseAddressList(const char* list)
{
    std::vector<std::string> addresses;
    if (!list)
        return addresses;
    std::string_view rest(list);
    while (!rest.empty()) {
        std::size_t comma = rest.find(',');
        std::string_view entry = withoutBlanks(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (entry.empty())
            continue;
        if (!isSafeAddress(entry))
            return std::nullopt;
        addresses.emplace_back(entry);
    }
    return addresses;
}

}  // namespace vmail
