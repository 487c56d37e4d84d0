// The journal's lines: one reading a second and one line per event, in
// day files named by the local date. This module writes a line's text and
// reads lines back; it decides nothing about when a line is due. The texts
// are the program's own (the Windows side turns them into UTF-8 with a
// byte-order mark when it writes, and back when it reads). Portable: no
// Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "seat.h"

// Seconds from 01.01.1601 00:00 to a local wall-clock time, read as if it
// were universal time (the calendar alone, no time zone).
std::int64_t calendarSeconds(const LocalTime& time);
// The wall-clock time of such a count.
LocalTime calendarTime(std::int64_t seconds);
// Local time minus universal time, in minutes, rounded to the nearest quarter
// of an hour and kept within -14 h..+14 h; universalSeconds counts from
// 01.01.1601 00:00 UTC (as the clock reading does).
int utcOffsetMinutes(const ClockReading& reading);

// One line of the journal. A value that is absent is empty in the file.
struct JournalLine {
    std::int64_t universalSeconds = 0;  // from 01.01.1601 00:00 UTC
    int offsetMinutes = 0;              // local minus universal
    bool hasMeasured = false;
    std::int16_t measuredTenths = 0;    // tenths of degC
    bool hasMaintained = false;
    std::int16_t maintainedTenths = 0;
    int stage = 0;                      // 1..255; 0: no stage runs
    std::string event;                  // empty on a reading line
};

// The header line, line break included:
// "Время;UTC;Измерено, °C;Поддерживается, °C;Этап;Событие\r\n".
const std::string& journalHeader();

// The file of a local day: "YYYY-MM-DD.csv".
std::string journalFileName(const LocalTime& day);

// The text of a line, "\r\n" included: "09.12.2026 14:03:05;+03:00;25,3;25,0;3;"
// for a reading, the event after the last ";" (quoted as a spreadsheet
// expects when it holds a ";" or a quote). Local time is universal time plus
// the offset.
std::string formatJournalLine(const JournalLine& line);
// The same text appended to out (for many lines in one string).
void appendJournalLine(std::string& out, const JournalLine& line);

// What goes before the first line appended to a file of this size whose last
// byte is lastByte: the header for an empty file, a line break for a file
// that does not end in one (a line torn by a crash), else nothing.
std::string journalAppendPrefix(std::uint64_t fileSize, char lastByte);

// Parses one line (without its line break, a "\r" at its end allowed). False
// for anything that is not a whole line of the journal: the header, a torn
// line, zero bytes, a field out of range.
bool parseJournalLine(const char* text, std::size_t n, JournalLine& out);
