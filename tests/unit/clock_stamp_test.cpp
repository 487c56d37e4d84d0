// The stage schedule arithmetic: month table, addHold, text forms and the
// comparison of moments (Parts 3.1 and 4.1).
#include "program/clock_stamp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ostream>
#include <random>
#include <string>

// Readable failures: "31.12.24 23:59 (year field 24)".
void PrintTo(const ClockStamp& s, std::ostream* os) {
    *os << s.day << "." << s.month << "." << s.year << " " << s.hour << ":" << s.minute;
}

namespace {

ClockStamp stamp(int day, int month, int year, int hour, int minute) {
    return ClockStamp{static_cast<std::int16_t>(year), static_cast<std::int16_t>(month),
                      static_cast<std::int16_t>(day), static_cast<std::int16_t>(hour),
                      static_cast<std::int16_t>(minute)};
}

std::string date(const ClockStamp& s) {
    char out[kStampTextSize + 8];
    std::memset(out, 'Z', sizeof out);
    formatDate(s, out);
    return out;
}

std::string time(const ClockStamp& s) {
    char out[kStampTextSize + 8];
    std::memset(out, 'Z', sizeof out);
    formatTime(s, out);
    return out;
}

std::string both(const ClockStamp& s) { return date(s) + " " + time(s); }

ClockStamp plus(ClockStamp s, unsigned hours, unsigned minutes) {
    addHold(s, hours, minutes);
    return s;
}

std::string twoDigits(unsigned value) {
    char out[kStampTextSize + 8];
    std::memset(out, 'Z', sizeof out);
    formatTwoDigits(value, out);
    return out;
}

TEST(MonthTable, LengthsAndTheLeapRule) {
    const int table[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(daysInMonth[i], table[i]);
    for (int month = 1; month <= 12; ++month) {
        if (month == 2) continue;
        EXPECT_EQ(monthLength(1, month), table[month - 1]);
        EXPECT_EQ(monthLength(4, month), table[month - 1]);
    }
    EXPECT_EQ(monthLength(0, 2), 29);    // 2000
    EXPECT_EQ(monthLength(1, 2), 28);
    EXPECT_EQ(monthLength(4, 2), 29);
    EXPECT_EQ(monthLength(24, 2), 29);
    EXPECT_EQ(monthLength(25, 2), 28);
    EXPECT_EQ(monthLength(99, 2), 28);
    EXPECT_EQ(monthLength(100, 2), 29);  // 2100 is leap under this rule
    EXPECT_EQ(monthLength(101, 2), 28);
}

TEST(MonthTable, MonthOutsideTheYearHasLengthZero) {
    EXPECT_EQ(monthLength(24, 0), 0);
    EXPECT_EQ(monthLength(24, 13), 0);
    EXPECT_EQ(monthLength(24, -1), 0);
    EXPECT_EQ(monthLength(24, INT_MIN), 0);
    EXPECT_EQ(monthLength(24, INT_MAX), 0);
    EXPECT_EQ(monthLength(-1, 2), 28);
    EXPECT_EQ(monthLength(-4, 2), 29);
}

TEST(AddHold, WorkedExamples) {
    EXPECT_EQ(both(plus(stamp(31, 12, 24, 23, 59), 0, 1)), "01.01.25 00:00");
    EXPECT_EQ(both(plus(stamp(28, 2, 1, 22, 0), 3, 0)), "01.03.01 01:00");
    EXPECT_EQ(both(plus(stamp(28, 2, 4, 22, 0), 3, 0)), "29.02.04 01:00");
    EXPECT_EQ(both(plus(stamp(29, 2, 4, 23, 0), 1, 0)), "01.03.04 00:00");
    EXPECT_EQ(both(plus(stamp(31, 1, 24, 20, 0), 99, 59)), "04.02.24 23:59");
    EXPECT_EQ(both(plus(stamp(30, 6, 24, 23, 59), 99, 59)), "05.07.24 03:58");
}

TEST(AddHold, StepsOneByOne) {
    EXPECT_EQ(plus(stamp(1, 1, 24, 0, 0), 0, 59), stamp(1, 1, 24, 0, 59));
    EXPECT_EQ(plus(stamp(1, 1, 24, 0, 1), 0, 59), stamp(1, 1, 24, 1, 0));
    EXPECT_EQ(plus(stamp(1, 1, 24, 0, 59), 0, 59), stamp(1, 1, 24, 1, 58));
    EXPECT_EQ(plus(stamp(1, 1, 24, 23, 0), 1, 0), stamp(2, 1, 24, 0, 0));
    EXPECT_EQ(plus(stamp(1, 1, 24, 0, 0), 99, 0), stamp(5, 1, 24, 3, 0));
    EXPECT_EQ(plus(stamp(30, 4, 24, 12, 0), 12, 0), stamp(1, 5, 24, 0, 0));
    EXPECT_EQ(plus(stamp(30, 11, 24, 23, 30), 0, 30), stamp(1, 12, 24, 0, 0));
    EXPECT_EQ(plus(stamp(28, 2, 99, 23, 0), 1, 0), stamp(1, 3, 99, 0, 0));
}

TEST(AddHold, CenturyEnd) {
    EXPECT_EQ(both(plus(stamp(28, 2, 100, 23, 0), 1, 0)), "29.02.100 00:00");
    EXPECT_EQ(both(plus(stamp(29, 2, 100, 23, 0), 1, 0)), "01.03.100 00:00");
    // The end of 2100 is still accepted; one minute more has year field 101.
    EXPECT_EQ(plus(stamp(31, 12, 100, 22, 0), 1, 59), stamp(31, 12, 100, 23, 59));
    const ClockStamp after = plus(stamp(31, 12, 100, 23, 0), 1, 0);
    EXPECT_EQ(after, stamp(1, 1, 101, 0, 0));
    EXPECT_EQ(after.year, 101);
}

TEST(AddHold, GarbageMonthLeavesTheDateAfterTheHourStep) {
    // Under AddressSanitizer an index outside daysInMonth would be reported.
    for (int month : {0, 13, -1, 100, 32767, -32768}) {
        ClockStamp s = stamp(31, month, 24, 23, 59);
        addHold(s, 99, 59);
        EXPECT_EQ(s, stamp(36, month, 24, 3, 58)) << month;  // five days added, no month step
    }
}

TEST(AddHold, GarbageFieldsNeverCrash) {
    const int values[] = {-32768, -1000, -60, -1, 0, 1, 12, 23, 59, 60, 99, 1000, 32767};
    const unsigned holds[] = {0u, 1u, 59u, 60u, 99u, 1000u, 65535u, 0x7FFFFFFFu, 0xFFFFFFFFu};
    int runs = 0;
    for (int year : {-32768, -1, 0, 100, 32767})
        for (int month : values)
            for (int day : values)
                for (int hour : values)
                    for (int minute : {-32768, -1, 0, 59, 60, 32767})
                        for (unsigned h : holds)
                            for (unsigned m : {0u, 59u, 60u, 0xFFFFFFFFu}) {
                                ClockStamp s = stamp(day, month, year, hour, minute);
                                addHold(s, h, m);
                                ++runs;
                            }
    EXPECT_GT(runs, 0);
    // The year field wraps instead of overflowing.
    EXPECT_EQ(plus(stamp(31, 12, 32767, 23, 59), 0, 1), stamp(1, 1, -32768, 0, 0));
}

// minuteNumber counts minutes under the same leap rule; stampOfMinute is its
// inverse.
TEST(AddHold, AgreesWithMinuteCountingOnEveryKeptMoment) {
    std::mt19937 random(20240229);
    for (int run = 0; run < 200000; ++run) {
        const int year = static_cast<int>(random() % 101);
        const int month = 1 + static_cast<int>(random() % 12);
        const int day = 1 + static_cast<int>(random() % monthLength(year, month));
        const int hour = static_cast<int>(random() % 24);
        const int minute = static_cast<int>(random() % 60);
        const unsigned hours = random() % 100;
        const unsigned minutes = random() % 60;
        const ClockStamp from = stamp(day, month, year, hour, minute);
        const ClockStamp to = plus(from, hours, minutes);
        ASSERT_EQ(minuteNumber(to) - minuteNumber(from), hours * 60LL + minutes) << both(from);
        ASSERT_EQ(stampOfMinute(minuteNumber(from)), from) << both(from);
        ASSERT_GE(to.month, 1);
        ASSERT_LE(to.month, 12);
        ASSERT_GE(to.day, 1);
        ASSERT_LE(to.day, monthLength(to.year, to.month)) << both(from) << " + " << hours << ":" << minutes;
        ASSERT_LT(to.hour, 24);
        ASSERT_LT(to.minute, 60);
    }
}

TEST(TextForms, TwoDigits) {
    EXPECT_EQ(twoDigits(0), "00");
    EXPECT_EQ(twoDigits(7), "07");
    EXPECT_EQ(twoDigits(9), "09");
    EXPECT_EQ(twoDigits(10), "10");
    EXPECT_EQ(twoDigits(42), "42");
    EXPECT_EQ(twoDigits(99), "99");
    EXPECT_EQ(twoDigits(100), "100");
    EXPECT_EQ(twoDigits(4294967295u), "4294967295");
}

TEST(TextForms, DateAndTime) {
    EXPECT_EQ(date(stamp(1, 1, 0, 0, 0)), "01.01.00");
    EXPECT_EQ(date(stamp(31, 12, 24, 0, 0)), "31.12.24");
    EXPECT_EQ(date(stamp(5, 7, 3, 0, 0)), "05.07.03");
    EXPECT_EQ(date(stamp(31, 12, 100, 0, 0)), "31.12.100");
    EXPECT_EQ(date(stamp(31, 12, 100, 0, 0)).size(), 9u);
    EXPECT_EQ(date(stamp(1, 1, 101, 0, 0)), "01.01.101");
    EXPECT_EQ(time(stamp(1, 1, 24, 0, 0)), "00:00");
    EXPECT_EQ(time(stamp(1, 1, 24, 9, 5)), "09:05");
    EXPECT_EQ(time(stamp(1, 1, 24, 23, 59)), "23:59");
}

TEST(TextForms, GarbageFieldsStayInsideTheBuffer) {
    // Each 16-bit field is written as unsigned: the longest date is 17 characters.
    EXPECT_EQ(date(stamp(-1, -1, -1, 0, 0)), "65535.65535.65535");
    EXPECT_EQ(time(stamp(1, 1, 1, -32768, 32767)), "32768:32767");
    EXPECT_LT(date(stamp(-1, -1, -1, 0, 0)).size(), static_cast<std::size_t>(kStampTextSize));
    EXPECT_LT(twoDigits(4294967295u).size(), static_cast<std::size_t>(kStampTextSize));
}

TEST(TwoDigitFields, ParsedByLength) {
    EXPECT_EQ(parseTwoDigits("", 0), 0);
    EXPECT_EQ(parseTwoDigits("7", 1), 7);
    EXPECT_EQ(parseTwoDigits("07", 2), 7);
    EXPECT_EQ(parseTwoDigits("99", 2), 99);
    EXPECT_EQ(parseTwoDigits("00", 2), 0);
    EXPECT_EQ(parseTwoDigits("31", 2), 31);
    // The length decides, not the zero byte.
    EXPECT_EQ(parseTwoDigits("12", 1), 1);
    EXPECT_EQ(parseTwoDigits("12", 0), 0);
}

TEST(TwoDigitFields, OtherCharactersAndLengths) {
    // A character that is not a digit counts as 0.
    EXPECT_EQ(parseTwoDigits("x", 1), 0);
    EXPECT_EQ(parseTwoDigits("x5", 2), 5);
    EXPECT_EQ(parseTwoDigits("5x", 2), 50);
    EXPECT_EQ(parseTwoDigits(" -", 2), 0);
    // More than two characters: the first two; a negative length or no text: 0.
    EXPECT_EQ(parseTwoDigits("123", 3), 12);
    EXPECT_EQ(parseTwoDigits("12", -1), 0);
    EXPECT_EQ(parseTwoDigits(nullptr, 2), 0);
    for (int value = 0; value <= 99; ++value) {
        const std::string text = twoDigits(static_cast<unsigned>(value));
        EXPECT_EQ(parseTwoDigits(text.c_str(), 2), value);
    }
}

TEST(Comparison, FieldByFieldAndEqualMinutesCountAsReached) {
    const ClockStamp moment = stamp(15, 6, 24, 12, 30);
    EXPECT_TRUE(notEarlier(moment, moment));
    EXPECT_TRUE(notEarlier(stamp(15, 6, 24, 12, 31), moment));
    EXPECT_FALSE(notEarlier(stamp(15, 6, 24, 12, 29), moment));
    EXPECT_FALSE(notEarlier(stamp(15, 6, 24, 11, 59), moment));
    EXPECT_TRUE(notEarlier(stamp(15, 6, 24, 13, 0), moment));
    EXPECT_TRUE(notEarlier(stamp(16, 6, 24, 0, 0), moment));
    EXPECT_FALSE(notEarlier(stamp(14, 6, 24, 23, 59), moment));
    EXPECT_TRUE(notEarlier(stamp(1, 7, 24, 0, 0), moment));
    EXPECT_FALSE(notEarlier(stamp(31, 5, 24, 23, 59), moment));
    EXPECT_TRUE(notEarlier(stamp(1, 1, 25, 0, 0), moment));
    EXPECT_FALSE(notEarlier(stamp(31, 12, 23, 23, 59), moment));
    // The first differing field decides, even when a later one points the other way.
    EXPECT_TRUE(notEarlier(stamp(1, 1, 25, 0, 0), stamp(31, 12, 24, 23, 59)));
    EXPECT_FALSE(notEarlier(stamp(31, 12, 24, 23, 59), stamp(1, 1, 25, 0, 0)));
    // Signed 16-bit fields: the year field 101 of a stamp past the century lies
    // after 2100, and a negative field is smaller than any kept one.
    EXPECT_FALSE(notEarlier(stamp(31, 12, 100, 23, 59), stamp(1, 1, 101, 0, 0)));
    EXPECT_TRUE(notEarlier(stamp(1, 1, 0, 0, 0), stamp(1, 1, -1, 0, 0)));
    EXPECT_FALSE(notEarlier(stamp(1, 1, -32768, 0, 0), stamp(1, 1, 32767, 0, 0)));
}

struct FakeSystemTime {
    unsigned short wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

TEST(Comparison, CopyStartMomentTakesTheFiveFields) {
    const FakeSystemTime input{24, 12, 3, 31, 23, 59, 58, 999};
    EXPECT_EQ(copyStartMoment(input), stamp(31, 12, 24, 23, 59));
}

}  // namespace
