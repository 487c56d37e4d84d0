// Calendar moments of the stage schedule, to the minute, and their text forms.
//
// A ClockStamp is local wall-clock time without seconds: year minus 2000, month,
// day, hour, minute, each a signed 16-bit number. Every rule here is portable and
// has no Windows header.
#pragma once

#include <cstdint>

struct ClockStamp {
    std::int16_t year;  // calendar year minus 2000
    std::int16_t month;
    std::int16_t day;
    std::int16_t hour;
    std::int16_t minute;

    friend bool operator==(const ClockStamp&, const ClockStamp&) = default;
};

// Month lengths, January first; February holds its leap-year length.
extern const std::uint8_t daysInMonth[12];

// Length of a month in the given year field (year minus 2000). A year is a leap
// year when its year field is divisible by 4, so 2100 counts as leap here.
// Returns 0 for a month outside 1..12.
int monthLength(int year, int month);

// Advances the stamp in place by a stage's hold (hours 0..99, minutes 0..59),
// in this order: minutes with one carry, hours with whole
// days to the day, then at most one month step (and a year step after
// December). Garbage never indexes outside daysInMonth: a month outside 1..12
// leaves the date as it is after the hour step. Field sums that leave the
// 16-bit range wrap.
void addHold(ClockStamp& stamp, unsigned hours, unsigned minutes);

// Minutes from 01.01.2000 00:00 to a valid stamp, by the calendar of
// monthLength, and the stamp of such a count (a negative count gives
// 01.01.2000 00:00). For arithmetic near the present clock.
std::int64_t minuteNumber(const ClockStamp& stamp);
ClockStamp stampOfMinute(std::int64_t minutes);

// Room for any text below, terminating zero included, whatever the fields hold:
// formatTwoDigits of any unsigned is at most 10 characters, and formatDate
// writes each 16-bit field read as unsigned, so at most "65535.65535.65535".
constexpr int kStampTextSize = 24;

// The value in unsigned decimal with a leading "0" below 10: "00" for 0, "07"
// for 7, "42" for 42, "100" for 100.
void formatTwoDigits(unsigned value, char* out);
// "dd.mm.yy": formatTwoDigits of day, month and year field, each 16-bit field
// read as unsigned. Eight characters; nine in the year 2100 ("31.12.100").
void formatDate(const ClockStamp& stamp, char* out);
// "hh:mm", the same way.
void formatTime(const ClockStamp& stamp, char* out);

// The number in a two-digit field: length is the count of characters read
// (0, 1 or 2); an empty field reads as 0, one character as its digit, two as
// 10 times the first plus the second. A character that is not a digit counts
// as 0. A length above 2 reads the first two characters only; a negative
// length, or a null text, reads as 0.
int parseTwoDigits(const char* text, int length);

// True when the present minute is not earlier than the moment: the fields are
// compared as signed numbers from year to minute, and equal minutes count as
// reached.
bool notEarlier(const ClockStamp& present, const ClockStamp& moment);

// A stamp from a record shaped like the Windows SYSTEMTIME whose wYear already
// holds the year minus 2000 (the start moment behind the five start fields).
template <typename TimeRecord>
ClockStamp copyStartMoment(const TimeRecord& input) {
    return ClockStamp{static_cast<std::int16_t>(input.wYear), static_cast<std::int16_t>(input.wMonth),
                      static_cast<std::int16_t>(input.wDay), static_cast<std::int16_t>(input.wHour),
                      static_cast<std::int16_t>(input.wMinute)};
}
