// Timing from another process what a user of a window program waits for: a program started, or a
// button clicked, until the window it brings is on the screen and answers a message.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A program started by the benchmark, ended again when the object goes.
class LaunchedProgram {
public:
    explicit LaunchedProgram(const std::string& exePath);
    LaunchedProgram(const LaunchedProgram&) = delete;
    LaunchedProgram& operator=(const LaunchedProgram&) = delete;
    // Closes the program's windows, waits (bounded) for it to end, and ends it when it did not.
    ~LaunchedProgram();

    bool started() const { return process_.hProcess != nullptr; }
    // Waits, bounded, for a visible top-level window of this program with the class name, then
    // until it answers a message (the moment goes to answeredAt when given) and it and its
    // controls are painted; null on time-out.
    HWND waitForWindow(const char* className, double* answeredAt = nullptr) const;

private:
    PROCESS_INFORMATION process_ = {};
};

// Seconds on the performance counter.
double now();

// Seconds from the start of a program until its window was visible and answering a message, and
// until it and its controls were painted; both negative when it did not appear.
struct StartTimes {
    double answered;
    double painted;
};
StartTimes timeStart(const std::string& exePath, const char* className);

// Clicks a control with the mouse, down and up at its centre, as a user does.
void clickControl(HWND control);

double median(std::vector<double> values);

// Prints one line per round and one with the medians of all starts and their ratio.
void printComparison(const char* what, const char* floorName, const std::vector<double>& floor,
                     const char* programName, const std::vector<double>& program, int rounds);

// The folder of this benchmark's own executable, where the programs it times are built.
std::string ownFolder();
