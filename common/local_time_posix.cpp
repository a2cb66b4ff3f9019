// Local time and its pictures on POSIX, formatting the numeric picture elements the way the
// Windows date and time pictures do.
#include "common/local_time.h"

#include <ctime>

namespace {

// Appends value with at least minDigits digits.
void appendNumber(Text& out, int value, int minDigits)
{
    char digits[12];
    int count = 0;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        out += '-';
    for (int i = count; i < minDigits; ++i)
        out += '0';
    while (count > 0)
        out += digits[--count];
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool validDate(const LocalTime& t)
{
    return t.year >= 1601 && t.year <= 30827 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month);
}

bool validTime(const LocalTime& t)
{
    return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
           t.second <= 59;
}

// Number of times picture[position] repeats, from position on.
int runLength(const char* picture, int position)
{
    int length = 1;
    while (picture[position + length] == picture[position])
        ++length;
    return length;
}

// Runs through a picture, handing each run of a letter in `letters` to element and copying the
// rest: quoted text without its quotes ('' stands for one quote), double-byte characters whole.
template <typename Element>
Text formatPicture(const char* picture, const char* letters, Element element)
{
    Text out;
    for (int i = 0; picture[i] != '\0';) {
        unsigned char byte = static_cast<unsigned char>(picture[i]);
        if (isCp932LeadByte(byte) && picture[i + 1] != '\0') {
            out.append(picture + i, 2);
            i += 2;
        } else if (byte == '\'') {
            ++i;
            while (picture[i] != '\0') {
                if (picture[i] == '\'' && picture[i + 1] == '\'') {
                    out += '\'';
                    i += 2;
                } else if (picture[i] == '\'') {
                    ++i;
                    break;
                } else if (isCp932LeadByte(static_cast<unsigned char>(picture[i])) &&
                           picture[i + 1] != '\0') {
                    out.append(picture + i, 2);
                    i += 2;
                } else {
                    out += picture[i++];
                }
            }
        } else if (std::char_traits<char>::find(letters, std::char_traits<char>::length(letters),
                                                picture[i])) {
            int length = runLength(picture, i);
            element(out, picture[i], length);
            i += length;
        } else {
            out += picture[i++];
        }
    }
    return out;
}

}  // namespace

LocalTime currentLocalTime()
{
    std::time_t now = std::time(nullptr);
    std::tm parts = {};
    localtime_r(&now, &parts);
    LocalTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    return time;
}

Text formatDatePicture(const LocalTime& time, const char* picture)
{
    if (!validDate(time))
        return Text();
    return formatPicture(picture, "dMy", [&](Text& out, char letter, int length) {
        switch (letter) {
        case 'd': appendNumber(out, time.day, length >= 2 ? 2 : 1); break;
        case 'M': appendNumber(out, time.month, length >= 2 ? 2 : 1); break;
        case 'y':
            if (length >= 3)
                appendNumber(out, time.year, 4);
            else
                appendNumber(out, time.year % 100, length);
            break;
        }
    });
}

Text formatTimePicture(const LocalTime& time, const char* picture)
{
    if (!validTime(time))
        return Text();
    return formatPicture(picture, "hHms", [&](Text& out, char letter, int length) {
        int digits = length >= 2 ? 2 : 1;
        switch (letter) {
        case 'h': appendNumber(out, time.hour % 12 == 0 ? 12 : time.hour % 12, digits); break;
        case 'H': appendNumber(out, time.hour, digits); break;
        case 'm': appendNumber(out, time.minute, digits); break;
        case 's': appendNumber(out, time.second, digits); break;
        }
    });
}
