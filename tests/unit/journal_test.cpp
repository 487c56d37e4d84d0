// The journal's lines and files, and the history the chart shows.
#include "journal/journal_format.h"
#include "journal/journal_history.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::int64_t at(int y, int mo, int d, int h, int mi, int s) { return calendarSeconds(LocalTime{y, mo, d, h, mi, s}); }

constexpr int kNone = INT_MIN;  // a temperature field left empty

struct Fields {
    std::int64_t universal;
    int offset, measured, maintained, stage;
    std::string event;
    friend bool operator==(const Fields&, const Fields&) = default;
};

std::int16_t tenths(int value) { return static_cast<std::int16_t>(value == kNone ? 0 : value); }

JournalLine lineOf(const Fields& f) {
    return {f.universal, f.offset, f.measured != kNone, tenths(f.measured), f.maintained != kNone,
            tenths(f.maintained), f.stage, f.event};
}

Fields fieldsOf(const JournalLine& l) {
    return {l.universalSeconds, l.offsetMinutes, l.hasMeasured ? l.measuredTenths : kNone,
            l.hasMaintained ? l.maintainedTenths : kNone, l.stage, l.event};
}

bool parses(const std::string& text) {
    JournalLine line;
    return parseJournalLine(text.data(), text.size(), line);
}

TEST(JournalCalendar, SecondsFromThe1601OriginAndBack) {
    EXPECT_EQ(at(1601, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(at(1970, 1, 1, 0, 0, 0), 11644473600);  // the FILETIME of the Unix epoch
    EXPECT_EQ(at(2100, 3, 1, 0, 0, 0) - at(2100, 2, 28, 0, 0, 0), 86400);  // 2100 is not leap
    EXPECT_EQ(at(2000, 3, 1, 0, 0, 0) - at(2000, 2, 28, 0, 0, 0), 2 * 86400);
    // Every day for eight centuries, at a moving second: the calendar and the
    // line both give back what went in.
    for (std::int64_t s = 0; s < at(2400, 1, 1, 0, 0, 0); s += 3 * 86400 + 3607) {
        ASSERT_EQ(calendarSeconds(calendarTime(s)), s);
        JournalLine line;
        const std::string text = formatJournalLine(lineOf({s, -330, kNone, kNone, 0, ""}));
        ASSERT_TRUE(parseJournalLine(text.data(), text.size() - 2, line)) << text;
        ASSERT_EQ(line.universalSeconds, s) << text;
    }
}

TEST(JournalCalendar, OffsetRoundedToQuarterHoursAndKeptWithin14Hours) {
    const LocalTime noon{2026, 12, 9, 12, 0, 0};
    const std::int64_t local = calendarSeconds(noon);
    const struct { std::int64_t difference; int minutes; } rows[] = {
        {3 * 3600, 180}, {3 * 3600 - 1, 180}, {-(5 * 3600 + 1800), -330}, {5 * 3600 + 45 * 60, 345},
        {7 * 60, 0},     {8 * 60, 15},        {15 * 3600, 840},          {-20 * 3600, -840}};
    for (const auto& row : rows)
        EXPECT_EQ(utcOffsetMinutes({noon, local - row.difference}), row.minutes) << row.difference;
    EXPECT_EQ(utcOffsetMinutes({noon, INT64_MIN}), 840);
    EXPECT_EQ(utcOffsetMinutes({noon, INT64_MAX}), -840);
}

TEST(JournalLineParse, WholeLinesGiveTheirFields) {
    const struct { std::string text; Fields f; } rows[] = {
        {"09.12.2026 14:03:05;+03:00;25,3;25,0;3;", {at(2026, 12, 9, 11, 3, 5), 180, 253, 250, 3, ""}},
        {"09.12.2026 14:03:05;+03:00;;;;связь потеряна\r",
         {at(2026, 12, 9, 11, 3, 5), 180, kNone, kNone, 0, "связь потеряна"}},
        {"01.01.2027 00:00:00;-05:30;-0,7;;;", {at(2027, 1, 1, 5, 30, 0), -330, -7, kNone, 0, ""}},
        {"31.12.2026 23:30:00;+14:00;0,0;;0;", {at(2026, 12, 31, 9, 30, 0), 840, 0, kNone, 0, ""}},
        {"29.02.2024 23:59:59;+00:00;-3276,8;3276,7;255;\"a;b \"\"c\"\"\"",
         {at(2024, 2, 29, 23, 59, 59), 0, -32768, 32767, 255, "a;b \"c\""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        JournalLine line;
        ASSERT_TRUE(parseJournalLine(row.text.data(), row.text.size(), line));
        EXPECT_EQ(fieldsOf(line), row.f);
    }
}

TEST(JournalLineParse, AnythingButAWholeLineIsRefused) {
    const std::string good = "09.12.2026 14:03:05;+03:00;25,3;25,0;3;", head = good.substr(0, 27);
    ASSERT_TRUE(parses(good));
    const std::string z(1, '\0');
    const std::string lines[] = {
        "", "Время;UTC;Измерено, °C;Поддерживается, °C;Этап;Событие", " " + good,
        good.substr(0, 30) + z + good.substr(31), good + z + z, std::string(40, '\0'),
        "09.12.2026 14:03", "09.12.2026 14:03:05;+03:0",
        "31.02.2026 14:03:05;+03:00;;;;", "29.02.2025 14:03:05;+03:00;;;;", "00.13.2026 14:03:05;+03:00;;;;",
        "09.12.2026 24:00:00;+03:00;;;;", "9.12.2026 14:03:05;+03:00;;;;", "09.12.2026 14:03:05;+14:15;;;;",
        "09.12.2026 14:03:05;+03:60;;;;", "09.12.2026 14:03:05;03:00;;;;"};
    for (const std::string& line : lines) EXPECT_FALSE(parses(line)) << line;
    // What follows a good time and offset.
    const char* tails[] = {"25,3;25,0;3", "25,", "25.3;;;", "25,35;;;", ",5;;;", "3276,8;;;", "-3276,9;;;",
                           ";;256;",      ";;3a;", ";;;a\"b", ";;;\"abc", ";;;\"a\"b\"", ";;;a;b", ";;;a\r\r"};
    for (const char* tail : tails) EXPECT_FALSE(parses(head + tail)) << tail;
    // Nothing past n is read: a whole line counted one byte short is torn.
    JournalLine line;
    EXPECT_FALSE(parseJournalLine(good.data(), good.size() - 1, line));
}

TEST(JournalLineFormat, LinesReadBackAsTheyWereWritten) {
    const std::int64_t t = at(2026, 12, 9, 19, 33, 5);
    const struct { Fields in; std::string text; std::string event; } rows[] = {
        {{t, -330, -7, -125, 12, ""}, "09.12.2026 14:03:05;-05:30;-0,7;-12,5;12;\r\n", ""},
        {{t, 345, kNone, kNone, 0, "a;b \"c\""}, "10.12.2026 01:18:05;+05:45;;;;\"a;b \"\"c\"\"\"\r\n", "a;b \"c\""},
        {{t, 0, 250, 253, 1, "связь\r\nпотеряна\nснова"},
         "09.12.2026 19:33:05;+00:00;25,0;25,3;1;связь потеряна снова\r\n", "связь потеряна снова"},
        {{t, 180, kNone, kNone, 300, std::string("a\0b", 3)}, "09.12.2026 22:33:05;+03:00;;;;a b\r\n", "a b"},
    };
    for (const auto& row : rows) {
        const std::string text = formatJournalLine(lineOf(row.in));
        EXPECT_EQ(text, row.text);
        JournalLine line;
        ASSERT_TRUE(parseJournalLine(text.data(), text.size() - 1, line)) << text;
        Fields back = row.in;
        back.event = row.event;
        back.stage = row.in.stage <= 255 ? row.in.stage : 0;
        EXPECT_EQ(fieldsOf(line), back);
    }
    EXPECT_EQ(journalHeader(), "Время;UTC;Измерено, °C;Поддерживается, °C;Этап;Событие\r\n");
    const struct { std::uint64_t size; char last; std::string prefix; } prefixes[] = {
        {0, '\0', journalHeader()}, {40, '\n', ""}, {40, '\r', "\r\n"}, {40, ';', "\r\n"}, {40, '\0', "\r\n"}};
    for (const auto& row : prefixes) EXPECT_EQ(journalAppendPrefix(row.size, row.last), row.prefix) << row.size;
}

std::string reading(const char* time, const char* value) { return std::string(time) + ";+03:00;" + value + ";;;"; }

TEST(JournalFile, EveryWholeLineComesBackInUniversalOrder) {
    const std::string bytes = std::string("\xEF\xBB\xBF") + journalHeader() +
        reading("09.12.2026 23:59:58", "1,0") + "\r\n" +
        reading("09.12.2026 23:59:59", "2,0") + "\n" +
        "09.12.2026 23:59:5" + "\r\n" +                                // torn, then the prefix of a restart
        reading("10.12.2026 00:00:00", "3,0") + "\r\n" +               // the next day's file in the same bytes
        reading("09.12.2026 23:59:57", "4,0") + "\r\n" +               // the clock was set back
        "garbage\r\n" + std::string(16, '\0') + "\r\n" +               // zero bytes a crash left, then a restart
        reading("09.12.2026 23:59:59", "5,0") + "\r\n" +
        "10.12.2026 00:00:01;+03:00;;;;связь пот";                     // the last line, cut short
    const std::vector<JournalLine> lines = parseJournalFile(bytes.data(), bytes.size());
    std::vector<int> values;
    for (const JournalLine& line : lines) values.push_back(line.measuredTenths);
    EXPECT_EQ(values, (std::vector<int>{40, 10, 20, 50, 30}));  // equal seconds keep the file's order
    EXPECT_EQ(lines.back().universalSeconds, at(2026, 12, 9, 21, 0, 0));
}

std::string linesOf(const std::vector<Fields>& rows) {
    std::string text;
    for (const Fields& f : rows) text += formatJournalLine(lineOf(f));
    return text;
}

TEST(JournalHistory, MergeTakesWhatCameBeforeTheLiveLinesOnce) {
    const std::int64_t t = at(2026, 12, 9, 11, 0, 0);
    JournalHistory history;
    for (const Fields& f : std::vector<Fields>{{t + 10, 180, 100, kNone, 0, ""}, {t + 11, 180, kNone, kNone, 0, "пуск"},
                                               {t + 12, 180, 120, kNone, 0, ""}, {t + 5, 180, 50, kNone, 0, ""}})
        addLiveLine(history, lineOf(f));  // the last one after the clock was set back
    EXPECT_EQ(history.liveSince, t + 10);

    // Second 5 is held already, 10 and later are the live lines again.
    const std::string file = linesOf({{t + 1, 120, 10, 9, 2, ""}, {t + 5, 180, 55, kNone, 0, ""},
                                      {t + 5, 180, 56, kNone, 0, ""}, {t + 3, 180, 30, kNone, 0, "a;b"},
                                      {t + 3, 180, kNone, kNone, 0, "c"}, {t + 10, 180, 101, kNone, 0, ""},
                                      {t + 11, 180, kNone, kNone, 0, "пуск"}, {t + 13, 180, 130, kNone, 0, ""}});
    const std::vector<JournalLine> lines = parseJournalFile(file.data(), file.size());
    mergeJournalLines(history, lines);
    mergeJournalLines(history, lines);  // a file read twice adds nothing

    std::vector<std::pair<std::int64_t, int>> samples;
    for (const JournalSample& s : history.samples) samples.push_back({s.universalSeconds - t, s.measuredTenths});
    EXPECT_EQ(samples, (std::vector<std::pair<std::int64_t, int>>{{1, 10}, {5, 50}, {10, 100}, {12, 120}}));
    std::vector<std::string> events;
    for (const JournalEvent& e : history.events) events.push_back(std::to_string(e.universalSeconds - t) + e.text);
    EXPECT_EQ(events, (std::vector<std::string>{"3a;b", "3c", "11пуск"}));
    EXPECT_EQ(history.offsetMinutes, 180);

    // The span as a file's lines: its own offset and values on each, an event
    // after the reading of its second, "to" left out.
    EXPECT_EQ(journalSpanLines(history, t + 1, t + 11),
              linesOf({{t + 1, 120, 10, 9, 2, ""}, {t + 3, 180, 30, kNone, 0, "a;b"}, {t + 3, 180, kNone, kNone, 0, "c"},
                       {t + 5, 180, 50, kNone, 0, ""}, {t + 10, 180, 100, kNone, 0, ""}}));

    // Eight days a second at a time: room for a day more at most, where
    // doubling would have left room for nearly as much again.
    JournalHistory week;
    const JournalLine reading = lineOf({t, 180, 250, kNone, 0, ""});
    for (std::int64_t k = 0; k < 8 * 86400; ++k) {
        JournalLine line = reading;
        line.universalSeconds = t + k;
        addLiveLine(week, line);
    }
    EXPECT_LE(week.samples.capacity(), week.samples.size() + 86400);
}

TEST(JournalHistory, DaysOfASpanWithADayOfMarginEachSide) {
    const struct { std::int64_t from, to; int offset; std::string names; } rows[] = {
        {at(2026, 12, 9, 10, 0, 0), at(2026, 12, 9, 11, 0, 0), 180, "2026-12-08.csv 2026-12-09.csv 2026-12-10.csv "},
        {at(2026, 12, 31, 22, 0, 0), at(2026, 12, 31, 23, 0, 0), 180, "2026-12-31.csv 2027-01-01.csv 2027-01-02.csv "},
        {at(2024, 3, 1, 3, 0, 0), at(2024, 3, 2, 3, 0, 0), -300,
         "2024-02-28.csv 2024-02-29.csv 2024-03-01.csv 2024-03-02.csv "},
        {at(2026, 1, 2, 0, 0, 0), at(2026, 1, 1, 0, 0, 0), 0, ""}};
    for (const auto& row : rows) {
        std::string names;
        for (const std::string& name : journalDaysOf(row.from, row.to, row.offset)) names += name + " ";
        EXPECT_EQ(names, row.names);
    }
}

}  // namespace
