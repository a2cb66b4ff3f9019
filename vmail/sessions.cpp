// The handle table.
#include "vmail/sessions.h"

#include <array>
#include <mutex>

namespace vmail {

namespace {

struct Slot {
    std::unique_ptr<Pop3Session> pop3;
    std::unique_ptr<SmtpSession> smtp;
    bool used() const { return pop3 || smtp; }
};

std::mutex tableLock;
std::array<Slot, kMaxSessions> table;

Slot* slotOf(std::int32_t handle)
{
    if (handle < 1 || handle > kMaxSessions)
        return nullptr;
    return &table[static_cast<std::size_t>(handle - 1)];
}

template <typename Fill>
std::int32_t addWith(Fill fill)
{
    std::lock_guard<std::mutex> guard(tableLock);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!table[i].used()) {
            fill(table[i]);
            return static_cast<std::int32_t>(i + 1);
        }
    }
    return kNoHandle;
}

}  // namespace

std::int32_t addSession(std::unique_ptr<Pop3Session> session)
{
    return addWith([&](Slot& slot) { slot.pop3 = std::move(session); });
}

std::int32_t addSession(std::unique_ptr<SmtpSession> session)
{
    return addWith([&](Slot& slot) { slot.smtp = std::move(session); });
}

std::unique_ptr<Pop3Session> takePop3Session(std::int32_t handle)
{
    std::lock_guard<std::mutex> guard(tableLock);
    Slot* slot = slotOf(handle);
    return slot ? std::move(slot->pop3) : nullptr;
}

std::unique_ptr<SmtpSession> takeSmtpSession(std::int32_t handle)
{
    std::lock_guard<std::mutex> guard(tableLock);
    Slot* slot = slotOf(handle);
    return slot ? std::move(slot->smtp) : nullptr;
}

Pop3Session* findPop3Session(std::int32_t handle)
{
    std::lock_guard<std::mutex> guard(tableLock);
    Slot* slot = slotOf(handle);
    return slot ? slot->pop3.get() : nullptr;
}

SmtpSession* findSmtpSession(std::int32_t handle)
{
    std::lock_guard<std::mutex> guard(tableLock);
    Slot* slot = slotOf(handle);
    return slot ? slot->smtp.get() : nullptr;
}

}  // namespace vmail
