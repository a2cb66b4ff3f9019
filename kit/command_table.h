// A window's WM_COMMAND handling as a table: which notification of which control runs what.
// Portable, so that its rule is tested natively.
#pragma once

#include <span>

struct CommandHandler {
    int id;            // the control
    int notification;  // the one notification code of that control that runs handle
    void (*handle)();
};

// Runs the first handler listed for notification from control id and returns true; returns
// false when none is listed, so that every notification not in the table does nothing.
bool dispatchCommand(std::span<const CommandHandler> handlers, int id, int notification);
