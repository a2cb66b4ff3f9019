// What the Log viewer shows of send-log.dat. A text box takes seconds for each megabyte it is
// given (minutes for eight under Wine), and a log grows without end, so beyond half a megabyte
// the viewer shows the log's end: the newest records, about 2000 of them, which are what a
// user opens it for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"

constexpr std::int64_t kMaxViewerBytes = 512 * 1024;

struct ViewerRange {
    std::int64_t offset = 0;  // where reading starts
    std::size_t length = 0;   // how many bytes to read
};

// The whole file when it fits, otherwise its last kMaxViewerBytes.
ViewerRange viewerRange(std::int64_t fileSize);

// The text box's text for the bytes read from offset on: up to the first zero byte. When
// offset is past the start, the text begins at the first record ("#" line) after the cut,
// behind a line saying how many bytes of older records are not shown.
Text viewerText(std::string_view bytes, std::int64_t offset);
