// A recording stand-in for the shell operations the send procedure calls, linked into its
// tests in place of the Main window.
#pragma once

#include <string>
#include <vector>

struct RecordingShell {
    std::vector<std::string> statuses;
    std::vector<std::string> failureDetails;
    int closeRequests = 0;
};

extern RecordingShell recordingShell;
