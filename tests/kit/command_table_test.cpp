// The command table of a window: a control's listed notification runs its handler, and nothing
// else runs anything.
#include "kit/command_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ran;

void first() { ran += "first"; }
void second() { ran += "second"; }
void third() { ran += "third"; }

constexpr CommandHandler kHandlers[] = {
    {1000, 0, first},
    {1001, 0x300, second},
    {1001, 1, third},
    {1000, 0, third},  // listed twice: the first row wins
};

}  // namespace

TEST(DispatchCommand, RunsOnlyTheHandlerListedForTheControlAndTheNotification)
{
    const struct {
        int id;
        int notification;
        bool handled;
        const char* ran;
    } cases[] = {
        {1000, 0, true, "first"},
        {1001, 0x300, true, "second"},
        {1001, 1, true, "third"},
        {1000, 1, false, ""},      // another notification of a listed control
        {1001, 0, false, ""},
        {1002, 0, false, ""},      // a control not in the table
        {0x300, 1001, false, ""},  // identifier and notification the wrong way round
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + "/" + std::to_string(c.notification));
        ran.clear();
        EXPECT_EQ(dispatchCommand(kHandlers, c.id, c.notification), c.handled);
        EXPECT_EQ(ran, c.ran);
    }
    ran.clear();
    EXPECT_FALSE(dispatchCommand({}, 1000, 0));
    EXPECT_EQ(ran, "");
}
