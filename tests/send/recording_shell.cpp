// The recording shell.
#include "tests/send/recording_shell.h"

#include "send/shell_operations.h"

RecordingShell recordingShell;

void showStatus(Text status) { recordingShell.statuses.push_back(status); }

void closeMainWindow() { ++recordingShell.closeRequests; }
