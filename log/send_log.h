// send-log.dat: the append-only history of sends, one record per finished send.
#pragma once

#include "common/text.h"

constexpr char kSendLogFileName[] = "send-log.dat";

// Appends a sent record: "#", the sender, the recipient's address, the date, "Subject:" and the
// whole message text.
void appendSentRecord();

// Appends a failure record: "#", the date and the failure line.
void appendFailureRecord();

// The current local time as "yyyy/MM/dd/_HH：mm：ss" (full-width colons), for example
// 2026/12/06/_09：05：03.
Text logTimestamp();
