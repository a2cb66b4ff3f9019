// Local time and its pictures through GetLocalTime, GetDateFormatA and GetTimeFormatA.
#include "common/local_time.h"

#include <windows.h>

#include <vector>

namespace {

SYSTEMTIME toSystemTime(const LocalTime& time)
{
    SYSTEMTIME system = {};
    system.wYear = static_cast<WORD>(time.year);
    system.wMonth = static_cast<WORD>(time.month);
    system.wDay = static_cast<WORD>(time.day);
    system.wHour = static_cast<WORD>(time.hour);
    system.wMinute = static_cast<WORD>(time.minute);
    system.wSecond = static_cast<WORD>(time.second);
    return system;
}

bool inWordRange(const LocalTime& time)
{
    auto fits = [](int value) { return value >= 0 && value <= 0xffff; };
    return fits(time.year) && fits(time.month) && fits(time.day) && fits(time.hour) &&
           fits(time.minute) && fits(time.second);
}

// Both formatting calls answer the size they need when given no buffer.
template <typename FormatCall>
Text formatWith(FormatCall call)
{
    int needed = call(nullptr, 0);
    if (needed <= 0)
        return Text();
    std::vector<char> buffer(static_cast<std::size_t>(needed));
    int written = call(buffer.data(), needed);
    if (written <= 0)
        return Text();
    return Text(buffer.data());  // the count includes the terminating zero
}

}  // namespace

LocalTime currentLocalTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    return time;
}

Text formatDatePicture(const LocalTime& time, const char* picture)
{
    if (!inWordRange(time))
        return Text();
    SYSTEMTIME system = toSystemTime(time);
    return formatWith([&](char* buffer, int size) {
        return GetDateFormatA(LOCALE_SYSTEM_DEFAULT, 0, &system, picture, buffer, size);
    });
}

Text formatTimePicture(const LocalTime& time, const char* picture)
{
    if (!inWordRange(time))
        return Text();
    SYSTEMTIME system = toSystemTime(time);
    return formatWith([&](char* buffer, int size) {
        return GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, 0, &system, picture, buffer, size);
    });
}
