// The Message-ID of each mail the library sends. Every mail gets a new one, except that a mail
// sent again in the same process after a failed attempt, with the same sender, recipients,
// subject, body and extra header, is a retransmission of that attempt and keeps its Message-ID
// (RFC 5322 3.6.4), so that a copy which arrived despite the failure is recognised as the same
// mail by readers that collapse duplicates. A mail that was sent is forgotten: the same text sent
// again after it is a second mail.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vmail {

struct MailIdentity {
    std::string from;
    std::vector<std::string> to;
    std::vector<std::string> cc;
    std::vector<std::string> bcc;
    std::string subject;
    std::string body;
    std::string extraHeader;
};

// The Message-ID of an earlier attempt at mail that was not reported sent, otherwise makeId's
// new one, which is then remembered for mail until forgetMessageId.
std::string messageIdFor(const MailIdentity& mail, const std::function<std::string()>& makeId);

// Forgets the mail whose Message-ID is id, once it was sent.
void forgetMessageId(const std::string& id);

}  // namespace vmail
