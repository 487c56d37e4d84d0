#include "program/clock_stamp.h"

#include <cstdint>

namespace {

// Fields are 16-bit: a sum that leaves the range wraps (a modular conversion in
// C++20), which only garbage input can cause; the arithmetic itself is done
// wider, so nothing overflows.
std::int16_t wrap16(std::int64_t value) { return static_cast<std::int16_t>(value); }

char* writeUnsigned(unsigned value, char* out) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) *out++ = digits[--count];
    *out = '\0';
    return out;
}

// formatTwoDigits of a 16-bit field read as unsigned (at most 5 characters),
// returning the position of the terminating zero.
char* writeField(std::int16_t field, char* out) {
    const unsigned value = static_cast<std::uint16_t>(field);
    if (value < 10) *out++ = '0';
    return writeUnsigned(value, out);
}

int yearLength(int year) { return year % 4 == 0 ? 366 : 365; }

int digitValue(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

}  // namespace

const std::uint8_t daysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int monthLength(int year, int month) {
    if (month < 1 || month > 12) return 0;
    if (month == 2 && year % 4 != 0) return 28;
    return daysInMonth[month - 1];
}

void addHold(ClockStamp& stamp, unsigned hours, unsigned minutes) {
    // 1. Minutes; the sum is at most 118 for a kept stamp, so one carry suffices.
    std::int64_t minute = std::int64_t{stamp.minute} + minutes;
    if (minute >= 60) {
        minute -= 60;
        stamp.hour = wrap16(std::int64_t{stamp.hour} + 1);
    }
    stamp.minute = wrap16(minute);

    // 2. Hours; the whole days go to the day.
    const std::int64_t hour = std::int64_t{stamp.hour} + hours;
    stamp.day = wrap16(stamp.day + hour / 24);
    stamp.hour = wrap16(hour % 24);

    // 3. Length of the current month; 0 for a month outside 1..12, which is
    // then left as it is (the table is never indexed outside its 12 entries).
    const int length = monthLength(stamp.year, stamp.month);
    if (length == 0) return;

    // 4. One month step at most.
    if (stamp.day > length) {
        stamp.day = wrap16(stamp.day - length);
        stamp.month = wrap16(stamp.month + 1);
        if (stamp.month > 12) {
            stamp.month = 1;
            stamp.year = wrap16(std::int64_t{stamp.year} + 1);
        }
    }
}

void formatTwoDigits(unsigned value, char* out) {
    if (value < 10) *out++ = '0';
    writeUnsigned(value, out);
}

void formatDate(const ClockStamp& stamp, char* out) {
    out = writeField(stamp.day, out);
    *out++ = '.';
    out = writeField(stamp.month, out);
    *out++ = '.';
    writeField(stamp.year, out);
}

void formatTime(const ClockStamp& stamp, char* out) {
    out = writeField(stamp.hour, out);
    *out++ = ':';
    writeField(stamp.minute, out);
}

int parseTwoDigits(const char* text, int length) {
    if (text == nullptr || length <= 0) return 0;
    if (length == 1) return digitValue(text[0]);
    return 10 * digitValue(text[0]) + digitValue(text[1]);
}

bool notEarlier(const ClockStamp& present, const ClockStamp& moment) {
    if (present.year != moment.year) return present.year > moment.year;
    if (present.month != moment.month) return present.month > moment.month;
    if (present.day != moment.day) return present.day > moment.day;
    if (present.hour != moment.hour) return present.hour > moment.hour;
    return present.minute >= moment.minute;
}

std::int64_t minuteNumber(const ClockStamp& stamp) {
    std::int64_t days = 0;
    for (int year = 0; year < stamp.year; ++year) days += yearLength(year);
    for (int month = 1; month < stamp.month && month <= 12; ++month) days += monthLength(stamp.year, month);
    days += stamp.day - 1;
    return (days * 24 + stamp.hour) * 60 + stamp.minute;
}

ClockStamp stampOfMinute(std::int64_t minutes) {
    if (minutes < 0) minutes = 0;
    ClockStamp stamp{0, 1, 1, 0, 0};
    stamp.minute = wrap16(minutes % 60);
    stamp.hour = wrap16(minutes / 60 % 24);
    std::int64_t days = minutes / (24 * 60);
    while (days >= yearLength(stamp.year)) days -= yearLength(stamp.year++);
    while (days >= monthLength(stamp.year, stamp.month)) days -= monthLength(stamp.year, stamp.month++);
    stamp.day = wrap16(days + 1);
    return stamp;
}
