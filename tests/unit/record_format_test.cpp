#include "recording/record_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::string bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

TEST(RecordHeader, BytesOfTheWorkedExample) {
    // Started on 14 May 2024 at 14:05:09 with "10 сек".
    const RecordHeader header = makeRecordHeader({2024, 5, 14, 14, 5, 9}, 2);
    EXPECT_EQ(header.dateLine, bytes({0xC4, 0xE0, 0xF2, 0xE0, 0x09}) + "14.05.2024\r\n");
    EXPECT_EQ(header.timeLine, bytes({0xC2, 0xF0, 0xE5, 0xEC, 0xFF, 0x09}) + "14:05:09\r\n");
    EXPECT_EQ(header.intervalLines,
              bytes({0xC8, 0xED, 0xF2, 0xE5, 0xF0, 0xE2, 0xE0, 0xEB, 0x09}) + "10 " + bytes({0xF1, 0xE5, 0xEA}) +
                  "\r\n\r\n");
}

TEST(RecordHeader, LeadingZerosAnd24Hours) {
    const RecordHeader header = makeRecordHeader({2031, 1, 2, 23, 0, 7}, 4);
    EXPECT_EQ(header.dateLine.substr(5), "02.01.2031\r\n");
    EXPECT_EQ(header.timeLine.substr(6), "23:00:07\r\n");
    EXPECT_EQ(header.intervalLines.substr(9), "1 " + bytes({0xEC, 0xE8, 0xED}) + "\r\n\r\n");
    // A damaged index reads as the first entry rather than past the table.
    EXPECT_EQ(makeRecordHeader({2031, 1, 2, 0, 0, 0}, 200).intervalLines.substr(9),
              "1 " + bytes({0xF1, 0xE5, 0xEA}) + "\r\n\r\n");
}

TEST(RecordHeader, IntervalTable) {
    const unsigned char sec[] = {0xF1, 0xE5, 0xEA}, min[] = {0xEC, 0xE8, 0xED};
    const struct {
        const char* number;
        const unsigned char* unit;
        std::uint32_t period;
    } rows[] = {{"1", sec, 1000},  {"5", sec, 5000},  {"10", sec, 10000}, {"30", sec, 30000},
                {"1", min, 60000}, {"5", min, 300000}, {"10", min, 600000}};
    for (std::size_t i = 0; i < kIntervalCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(std::string(intervalTexts[i]), std::string(rows[i].number) + " " + std::string(rows[i].unit, rows[i].unit + 3));
        EXPECT_EQ(intervalPeriods[i], rows[i].period);
    }
    EXPECT_EQ(intervalTexts[kIntervalCount], nullptr);
}

TEST(RecordValueLine, TextFormOfTheTemperature) {
    EXPECT_EQ(makeValueLine(253), "25,3\r\n");
    EXPECT_EQ(makeValueLine(-125), "-12,5\r\n");
    EXPECT_EQ(makeValueLine(-9), "-0,9\r\n");
    EXPECT_EQ(makeValueLine(9), "0,9\r\n");
    EXPECT_EQ(makeValueLine(0), "0,0\r\n");
}

// Ticks of the 500 ms exchange timer with up to 60 ms of jitter either way
// over an hour: the n-th line's due time is start + n * period and the tick
// that writes it comes less than one tick after.
void runJitteredHour(std::uint32_t startTick, std::uint32_t period) {
    std::mt19937 random(period);
    std::uniform_int_distribution<int> jitter(-60, 60);
    RecordSchedule schedule;
    schedule.start(startTick, period);
    constexpr std::uint64_t hour = 3600000;
    std::uint64_t lines = 0;
    std::uint64_t worst = 0;
    for (std::uint64_t t = 0; t <= hour; t += 500) {
        const std::uint64_t at = t == 0 ? 0 : t + jitter(random);
        if (schedule.due(static_cast<std::uint32_t>(startTick + at)) != 1) continue;
        EXPECT_EQ(schedule.lastDue(), lines * period);
        worst = std::max(worst, at - schedule.lastDue());
        ++lines;
    }
    EXPECT_EQ(schedule.missed(), 0u);
    EXPECT_NEAR(static_cast<double>(lines), static_cast<double>(hour / period), 1.0);
    EXPECT_LT(worst, 600u);
}

TEST(RecordSchedule, LinesStayOnTheGridOfTheStart) {
    for (std::uint32_t period : intervalPeriods) {
        SCOPED_TRACE(period);
        runJitteredHour(1000000, period);
    }
}

TEST(RecordSchedule, KeepsItsIntervalAcrossTheTickCountWrap) {
    // The hour starts 20 minutes before the 32-bit tick count wraps.
    runJitteredHour(0xFFFFFFFFu - 1200000u, 1000);
    runJitteredHour(0xFFFFFFFFu - 1200000u, 10000);

    RecordSchedule schedule;
    schedule.start(0xFFFFFE00u, 10000);
    EXPECT_TRUE(schedule.due(0xFFFFFE00u));
    // Past the wrap the count is small, yet nothing is due until 10 s are up.
    std::uint32_t t = 0xFFFFFE00u;
    for (int step = 1; step < 20; ++step) EXPECT_FALSE(schedule.due(t += 500)) << step;
    EXPECT_TRUE(schedule.due(t += 500));
}

TEST(RecordSchedule, TicksThatComeLateAreDueForEveryValueTheyMissedOnTheGridOfTheStart) {
    RecordSchedule schedule;
    schedule.start(5000, 1000);
    const struct {
        std::uint32_t now;
        std::uint64_t due;
        std::uint64_t lastDue;
        std::uint64_t missed;
    } ticks[] = {
        {5000, 1, 0, 0},
        {5500, 0, 0, 0},
        {6900, 1, 1000, 0},           // late by less than an interval
        {8100, 2, 3000, 1},           // one stall of a second: two values
        {3605000, 3597, 3600000, 3597}, // asleep for an hour
        {3605500, 0, 3600000, 3597},
        {3606000, 1, 3601000, 3597},  // the grid of the start holds
    };
    for (const auto& tick : ticks) {
        EXPECT_EQ(schedule.due(tick.now), tick.due) << tick.now;
        EXPECT_EQ(schedule.lastDue(), tick.lastDue) << tick.now;
        EXPECT_EQ(schedule.missed(), tick.missed) << tick.now;
    }
}

TEST(RecordPath, SplitAtTheBackslashBeforeTheName) {
    const struct {
        const char* path;
        std::size_t offset;
        bool ok;
        const char* folder;
        const char* name;
    } rows[] = {
        {"C:\\users\\lab\\Documents\\run 5.txt", 23, true, "C:\\users\\lab\\Documents", "\\run 5.txt"},
        {"C:\\x.txt", 3, true, "C:", "\\x.txt"},
        // An offset that does not follow a backslash: the last one is used.
        {"C:\\data\\t.txt", 0, true, "C:\\data", "\\t.txt"},
        {"C:\\data\\t.txt", 5, true, "C:\\data", "\\t.txt"},
        {"C:\\data\\t.txt", 99, true, "C:\\data", "\\t.txt"},
        {"termo.txt", 0, false, "", ""},
        {"C:\\data\\", 8, false, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        char folder[261] = {}, name[261] = {};
        EXPECT_EQ(splitRecordPath(row.path, row.offset, folder, name, sizeof folder), row.ok);
        EXPECT_STREQ(folder, row.folder);
        EXPECT_STREQ(name, row.name);
    }
}

TEST(RecordPath, PartsThatDoNotFitAreRefused) {
    const std::string path = "C:\\" + std::string(300, 'a') + "\\t.txt";
    char folder[261] = "kept", name[261] = "\\kept";
    EXPECT_FALSE(splitRecordPath(path.c_str(), path.size() - 5, folder, name, sizeof folder));
    EXPECT_STREQ(folder, "kept");
    EXPECT_STREQ(name, "\\kept");
}

}  // namespace
