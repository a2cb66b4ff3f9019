// Benchmark: the Log viewer as the user waits for it, from a click on the Log button to the
// viewer on the screen and answering, on a log of the most the viewer shows whole; beside it,
// in turns, the floor: a bare EDIT of the viewer's style given the same text after a click in a
// bare program. Each program is started afresh for each click, as the program is started for
// each mail. Run under Wine or on Windows, in a folder of its own:
//   viewer_time.exe [ROUNDS [OPENINGS]]    (default 3 rounds of 10 openings of each)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/launch_timer.h"
#include "log/viewer_text.h"

namespace {

constexpr int kLogButton = 1001;

struct ViewerProgram {
    const char* name;
    std::string exePath;
    const char* mainClass;
    const char* viewerClass;
};

// Sent records of a typical size, with Japanese text, as many as the viewer shows whole.
void writeLog()
{
    const std::string record =
        "#\r\nFrom:\x8eR\x93\x63<taro@example.jp>\r\nTo:hanako@example.jp\r\n"
        "Date:2026/12/06/_09\x81\x46\x30\x35\x81\x46\x30\x33\r\nSubject:\r\n"
        "\x8d\xa1\x96\xe9\x82\xcc\x8f\x57\x8d\x87\r\n7\x8e\x9e\x82\xc9\x89\x77\x91\x4f\x82\xc5\x81\x42\r\n";
    std::ofstream out("send-log.dat", std::ios::binary | std::ios::trunc);
    for (std::size_t written = 0; written + record.size() <= kMaxViewerBytes; written += record.size())
        out << record;
}

// The seconds from the click on the Log button to the viewer visible, answering and painted;
// negative when a window did not appear.
double timeOpening(const ViewerProgram& program)
{
    LaunchedProgram launched(program.exePath);
    HWND main = launched.waitForWindow(program.mainClass);
    if (!main)
        return -1;
    double start = now();
    clickControl(GetDlgItem(main, kLogButton));
    if (!launched.waitForWindow(program.viewerClass))
        return -1;
    return now() - start;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    int openings = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    writeLog();
    const ViewerProgram floor = {"bare EDIT", ownFolder() + "bare_viewer.exe", "BAREMAIN", "BAREVIEWER"};
    const ViewerProgram velmor = {"Log viewer", ownFolder() + "velmor.exe", "NORMAL0", "NORMALDLG"};
    // One opening of each first, not counted: the files come into the cache.
    if (timeOpening(floor) < 0 || timeOpening(velmor) < 0) {
        std::fprintf(stderr, "viewer_time: a window did not appear\n");
        return 1;
    }
    std::vector<double> floorTimes;
    std::vector<double> velmorTimes;
    for (int i = 0; i < rounds * openings; ++i) {
        // In turns, each program first every other time.
        for (int turn = 0; turn < 2; ++turn) {
            bool isFloor = (turn == 0) == (i % 2 == 0);
            double seconds = timeOpening(isFloor ? floor : velmor);
            if (seconds < 0) {
                std::fprintf(stderr, "viewer_time: a window did not appear\n");
                return 1;
            }
            (isFloor ? floorTimes : velmorTimes).push_back(seconds);
        }
    }
    printComparison("viewer open", floor.name, floorTimes, velmor.name, velmorTimes, rounds);
    return 0;
}
