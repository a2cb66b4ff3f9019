// The Message-ID of each mail the library sends. A mail sent again in the same process with
// the same sender, recipients, subject, body and extra header is a retransmission of the same
// message and keeps the Message-ID of the attempt before it (RFC 5322 3.6.4), so that a copy
// which arrived despite a failed attempt is recognised as the same mail by readers that collapse
// duplicates. Any change, or a new process, gives a new one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vmail {

struct MailIdentity {
    std::string from;
    std::vector<std::string> recipients;  // To, Cc and Bcc, in order
    std::string subject;
    std::string body;
    std::string extraHeader;
};

// The Message-ID of the last mail when mail is the same, otherwise makeId's new one, which is
// then remembered for mail.
std::string messageIdFor(const MailIdentity& mail, const std::function<std::string()>& makeId);

}  // namespace vmail
