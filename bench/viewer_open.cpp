// Benchmark: how long the Log viewer takes to open on logs of 1, 5 and 20 MB, from runDialog
// to the viewer on screen, under the real shell (run it under Wine, or on Windows).
//   viewer_open.exe [REPEATS]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/dialog_host.h"
#include "app/shell_state.h"
#include "app/startup.h"

namespace {

using Clock = std::chrono::steady_clock;

void writeLog(std::size_t bytes)
{
    // Sent records of a typical size, with Japanese text, up to the size asked for.
    const std::string record =
        "#\r\nFrom:\x8eR\x93\x63<taro@example.jp>\r\nTo:hanako@example.jp\r\n"
        "Date:2026/12/06/_09\x81\x46\x30\x35\x81\x46\x30\x33\r\nSubject:\r\n"
        "\x8d\xa1\x96\xe9\x82\xcc\x8f\x57\x8d\x87\r\n7\x8e\x9e\x82\xc9\x89\x77\x91\x4f\x82\xc5\x81\x42\r\n";
    std::ofstream out("send-log.dat", std::ios::binary | std::ios::trunc);
    for (std::size_t written = 0; written < bytes; written += record.size())
        out << record;
}

double openOnce(HWND owner)
{
    Clock::time_point start = Clock::now();
    std::thread closer([] {
        for (int i = 0; i < 60000; ++i) {
            HWND viewer = FindWindowA("NORMALDLG", nullptr);
            if (viewer && IsWindowVisible(viewer)) {
                PostMessageA(viewer, WM_CLOSE, 0, 0);
                return;
            }
            Sleep(1);
        }
    });
    runDialog(owner, "View");
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    closer.join();
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    prepareProgram(GetModuleHandleA(nullptr));
    HWND main = createMainWindow();
    for (std::size_t megabytes : {1, 5, 20}) {
        writeLog(megabytes * 1024 * 1024);
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i)
            times.push_back(openOnce(main));
        std::sort(times.begin(), times.end());
        std::printf("viewer open, %2zu MB log: median %.3f s (of %d)\n", megabytes,
                    times[times.size() / 2], repeats);
    }
    DestroyWindow(main);
    DeleteFileA("send-log.dat");
    return 0;
}
