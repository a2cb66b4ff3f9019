// The recording shell.
#include "tests/send/recording_shell.h"

#include "app/shell.h"

RecordingShell recordingShell;

void showStatus(Text status) { recordingShell.statuses.push_back(status); }

void closeMainWindow() { ++recordingShell.closeRequests; }
