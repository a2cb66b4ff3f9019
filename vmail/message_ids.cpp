// The remembered attempts that were not reported sent, and their Message-IDs.
#include "vmail/message_ids.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace vmail {

namespace {

// Attempts remembered at once: a caller retrying a few failed mails in turns finds each one's
// id, and memory stays bounded whatever a process sends.
constexpr std::size_t kRememberedAttempts = 8;

struct Attempt {
    std::string identity;
    std::string id;
};

// Every field with its length before it, and each address list with its count, so that no two
// different mails read the same: To "a,b" is not To "a" with Cc "b".
std::string identityOf(const MailIdentity& mail)
{
    std::string all;
    auto add = [&](const std::string& field) {
        all += std::to_string(field.size());
        all += ':';
        all += field;
    };
    auto addList = [&](const std::vector<std::string>& list) {
        all += std::to_string(list.size());
        all += '#';
        for (const std::string& address : list)
            add(address);
    };
    add(mail.from);
    addList(mail.to);
    addList(mail.cc);
    addList(mail.bcc);
    add(mail.subject);
    add(mail.body);
    add(mail.extraHeader);
    return all;
}

std::mutex attemptsLock;
std::deque<Attempt> attempts;  // the oldest first

}  // namespace

std::string messageIdFor(const MailIdentity& mail, const std::function<std::string()>& makeId)
{
    std::string identity = identityOf(mail);
    std::lock_guard<std::mutex> guard(attemptsLock);
    for (const Attempt& attempt : attempts) {
        if (attempt.identity == identity)
            return attempt.id;
    }
    if (attempts.size() == kRememberedAttempts)
        attempts.pop_front();
    attempts.push_back({std::move(identity), makeId()});
    return attempts.back().id;
}

void forgetMessageId(const std::string& id)
{
    std::lock_guard<std::mutex> guard(attemptsLock);
    attempts.erase(std::remove_if(attempts.begin(), attempts.end(),
                                  [&](const Attempt& attempt) { return attempt.id == id; }),
                   attempts.end());
}

}  // namespace vmail
