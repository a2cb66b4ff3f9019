// Parameter checks.
#include "vmail/parameters.h"

namespace vmail {

namespace {

bool isPrintableNonBlank(char c) { return c > 0x20 && c < 0x7f; }

}  // namespace

std::string_view withoutBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
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
