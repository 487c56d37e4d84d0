// What the chart shows: the readings and events of the journal, in memory,
// ordered by universal time. The live ones come from the engine as it
// journals them; earlier ones are read back from the day files. Portable: no
// Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "journal/journal_format.h"

// One reading, 16 bytes: a week of them is under 10 MB.
struct JournalSample {
    std::int64_t universalSeconds;
    std::int16_t measuredTenths;
    std::int16_t maintainedTenths;
    std::int16_t offsetMinutes;  // local minus universal time at the reading
    std::uint8_t stage;          // 0: no stage runs
    bool hasMaintained;
};
static_assert(sizeof(JournalSample) == 16, "a week of readings stays under 10 MB");

struct JournalEvent {
    std::int64_t universalSeconds;
    int offsetMinutes;
    std::string text;
    // The values the event's line carries, written again when the span is
    // saved.
    bool hasMeasured = false;
    std::int16_t measuredTenths = 0;
    bool hasMaintained = false;
    std::int16_t maintainedTenths = 0;
    int stage = 0;
};

struct JournalHistory {
    std::vector<JournalSample> samples;  // ordered by universalSeconds
    std::vector<JournalEvent> events;    // ordered by universalSeconds
    // Universal time of the first live line (this program start's); lines
    // read back from files at or after it are the live ones again and are
    // not taken twice. INT64_MAX while nothing live came.
    std::int64_t liveSince = INT64_MAX;
    // The offset of the newest line, for local times of the chart's axis.
    int offsetMinutes = 0;
};

// A live line, newest so far (an older one is put in its place).
void addLiveLine(JournalHistory& history, const JournalLine& line);

// The lines of a day file (its bytes, a byte-order mark allowed, any mix of
// "\r\n" and "\n"), every line that parses; the rest is skipped. Lines keep
// the order of universal time whatever their order in the file (a clock set
// back writes earlier times after later ones).
std::vector<JournalLine> parseJournalFile(const char* bytes, std::size_t n);

// Merges lines read back from a file: those before liveSince, each second at
// most once (a file read twice adds nothing).
void mergeJournalLines(JournalHistory& history, const std::vector<JournalLine>& lines);

// The readings and events of the span from..to (universal seconds, from
// included, to excluded), ordered by time, as lines of a journal file (the
// header not included): what "Сохранить данные…" writes after the header.
std::string journalSpanLines(const JournalHistory& history, std::int64_t from, std::int64_t to);

// The local days (by the history's offset, one day of margin each side) that
// the span from..to (universal seconds) touches, oldest first, as file names.
std::vector<std::string> journalDaysOf(std::int64_t from, std::int64_t to, int offsetMinutes);
