// The remembered identity of the last mail and its Message-ID.
#include "vmail/message_ids.h"

#include <cstdint>
#include <mutex>

#include "vmail/md5.h"

namespace vmail {

namespace {

// Every part with its length before it, so that no two different mails read the same.
Md5Digest fingerprint(const MailIdentity& mail)
{
    std::string all;
    auto add = [&](const std::string& part) {
        all += std::to_string(part.size());
        all += ':';
        all += part;
    };
    add(mail.from);
    all += std::to_string(mail.recipients.size());
    for (const std::string& recipient : mail.recipients)
        add(recipient);
    add(mail.subject);
    add(mail.body);
    add(mail.extraHeader);
    return md5(all);
}

std::mutex lastLock;
Md5Digest lastMail = {};
std::string lastId;

}  // namespace

std::string messageIdFor(const MailIdentity& mail, const std::function<std::string()>& makeId)
{
    Md5Digest print = fingerprint(mail);
    std::lock_guard<std::mutex> guard(lastLock);
    if (lastId.empty() || print != lastMail) {
        lastId = makeId();
        lastMail = print;
    }
    return lastId;
}

}  // namespace vmail
