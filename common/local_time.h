// Local date and time, and the date and time pictures of the system's default locale.
#pragma once

#include "common/text.h"

struct LocalTime {
    int year = 1601;
    int month = 1;   // 1 to 12
    int day = 1;     // 1 to 31
    int hour = 0;    // 0 to 23
    int minute = 0;
    int second = 0;
};

// The current local time of the machine.
LocalTime currentLocalTime();

// Formats time with a date picture ("yyyy/MM/dd"), as the system's date formatting does for the
// default locale: d, dd, M, MM, y, yy, yyyy; text in single quotes and every other character
// stand for themselves. An invalid date gives "".
Text formatDatePicture(const LocalTime& time, const char* picture);

// Formats time with a time picture ("HH:mm:ss"): h, hh (12-hour clock), H, HH, m, mm, s, ss;
// text in single quotes and every other character stand for themselves. An invalid time gives "".
Text formatTimePicture(const LocalTime& time, const char* picture);
