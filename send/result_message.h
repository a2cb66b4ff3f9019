// The Japanese texts for the results of a mail send, shown in the status line after a failure.
#pragma once

#include <cstdint>

#include "common/text.h"

// 0 or more: the success text; a known negative code: its text; any other negative value: the
// text for an unknown error.
Text resultMessage(std::int32_t result);
