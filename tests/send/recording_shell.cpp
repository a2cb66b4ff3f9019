// The recording shell.
#include "tests/send/recording_shell.h"

#include "send/shell_operations.h"

RecordingShell recordingShell;

void showStatus(Text status) { recordingShell.statuses.push_back(status); }

void showFailureDetail(Text detail) { recordingShell.failureDetails.push_back(detail); }

void closeMainWindow() { ++recordingShell.closeRequests; }
