// Command dispatch from a table.
#include "kit/command_table.h"

bool dispatchCommand(std::span<const CommandHandler> handlers, int id, int notification)
{
    for (const CommandHandler& handler : handlers) {
        if (handler.id == id && handler.notification == notification) {
            handler.handle();
            return true;
        }
    }
    return false;
}
