// Benchmark: start-up as the user waits for it, from CreateProcess to the Main window on the
// screen and answering, for velmor.exe and, in turns with it, for a bare window of the same
// size (the floor). Run under Wine or on Windows, in a folder of its own:
//   startup_time.exe [ROUNDS [STARTS [FLOOR.EXE FLOORCLASS]]]
// (default 3 rounds of 10 starts of each program; another floor, such as bare_main_window.exe
// with its class "BAREMAIN", or an older velmor.exe with its class "NORMAL0", which compares two
// builds)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/launch_timer.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace {

// A filled-in account, so that start-up reads both files as a user's does.
void writeSettingsFiles()
{
    settings.smtpServer = "smtp.example.jp";
    settings.fromName = "\x8eR\x93\x63";  // "山田"
    settings.fromAddress = "taro@example.jp";
    settings.pop3Server = "pop.example.jp";
    settings.pop3UserId = "taro";
    settings.pop3Password = "secret";
    settings.toName = "\x89\xd4\x8eq";  // "花子"
    settings.toAddress = "hanako@example.jp";
    settings.charLimit = 50;
    settings.popBeforeSmtp = 1;
    saveSettings();
    for (int i = 0; i < kRecipientCount; ++i) {
        recipients[static_cast<std::size_t>(i)].name = "\x89\xd4\x8eq" + std::to_string(i + 1);
        recipients[static_cast<std::size_t>(i)].address = "hanako" + std::to_string(i + 1) + "@example.jp";
        recipients[static_cast<std::size_t>(i)].charLimit = 50;
    }
    saveRecipients();
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    writeSettingsFiles();
    const std::string floorExe = argc > 4 ? argv[3] : ownFolder() + "bare_window.exe";
    const char* floorClass = argc > 4 ? argv[4] : "BAREWINDOW";
    const std::string velmorExe = ownFolder() + "velmor.exe";
    // One start of each first, not counted: the files come into the cache.
    if (timeStart(floorExe, floorClass).painted < 0 || timeStart(velmorExe, "NORMAL0").painted < 0) {
        std::fprintf(stderr, "startup_time: a program did not show its window\n");
        return 1;
    }
    // Two moments of each start: the window visible and answering a message, and its paint
    // finished, when the user sees all of it.
    std::vector<double> floorAnswered, velmorAnswered, floorPainted, velmorPainted;
    for (int i = 0; i < rounds * starts; ++i) {
        // In turns, each program first every other time.
        bool floorFirst = i % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            bool isFloor = (turn == 0) == floorFirst;
            StartTimes times = isFloor ? timeStart(floorExe, floorClass) : timeStart(velmorExe, "NORMAL0");
            if (times.painted < 0) {
                std::fprintf(stderr, "startup_time: a program did not show its window\n");
                return 1;
            }
            (isFloor ? floorAnswered : velmorAnswered).push_back(times.answered);
            (isFloor ? floorPainted : velmorPainted).push_back(times.painted);
        }
    }
    const char* floorName = argc > 4 ? argv[3] : "bare window";
    printComparison("start-up to visible and answering", floorName, floorAnswered, "velmor.exe",
                    velmorAnswered, rounds);
    printComparison("start-up to painted", floorName, floorPainted, "velmor.exe", velmorPainted,
                    rounds);
    return 0;
}
