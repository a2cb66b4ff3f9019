// The most heap bytes a test's code had in use at once. Linking heap_peak.cpp replaces the
// suite's global operator new and delete with counting ones.
#pragma once

#include <cstddef>

// Starts a new count from the bytes in use now.
void resetHeapPeak();

// The most bytes in use at once since the last reset, above what was in use then.
std::size_t heapPeak();
