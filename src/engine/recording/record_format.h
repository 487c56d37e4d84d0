// The rules of the record file that need no Windows header: the interval
// table, the header's bytes, when the next value is due, and how a chosen path
// is split into the stored folder and file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The intervals offered in the dialog, in the order of the combo box and of
// the stored interval index. The texts are Windows-1251 and end with a null
// entry, which is how the dialog counts them.
constexpr std::size_t kIntervalCount = 7;
extern const char* const intervalTexts[kIntervalCount + 1];
extern const std::uint32_t intervalPeriods[kIntervalCount];

// Local date and time at the start of a recording.
struct RecordStartTime {
    int year;
    int month;
    int day;
    int hour;  // 0..23
    int minute;
    int second;
};

// The header as it is written, one piece per write: the date line, the time
// line, and the interval line together with the empty line after it. Every
// line ends with CR LF; a TAB follows each header word. An index past the
// table counts as the first entry.
struct RecordHeader {
    std::string dateLine;
    std::string timeLine;
    std::string intervalLines;
};
RecordHeader makeRecordHeader(const RecordStartTime& start, std::size_t intervalIndex);

// One value line: the text form of the temperature (tenths of degC) and CR LF.
std::string makeValueLine(std::int16_t tenths);

// When the values of a recording are due. Times are 32-bit millisecond tick
// counts as the system gives them; they wrap after 49,7 days, so only the
// unsigned difference between two readings is used, summed into a 64-bit
// count of milliseconds since the start. The n-th value (from 0) is due at
// start + n * period, for the whole recording: the file has no time stamps,
// so line n stands for that moment. A tick that comes after more than one
// due time (the computer slept, the program stalled) is due for each of them.
class RecordSchedule {
public:
    void start(std::uint32_t now, std::uint32_t period);
    // How many values are due at this tick (0 when none); the due time then
    // moves on past them.
    std::uint64_t due(std::uint32_t now);
    // Milliseconds since the start.
    std::uint64_t elapsed() const { return elapsed_; }
    // The due time, in the same count, of the last value due.
    std::uint64_t lastDue() const { return lastDue_; }
    std::uint64_t nextDue() const { return nextDue_; }
    // How many values were due at a later tick than their own.
    std::uint64_t missed() const { return missed_; }

private:
    std::uint32_t lastTick_ = 0;
    std::uint32_t period_ = 1000;
    std::uint64_t elapsed_ = 0;
    std::uint64_t nextDue_ = 0;
    std::uint64_t lastDue_ = 0;
    std::uint64_t missed_ = 0;
};

// Splits a full path chosen in the file dialog into the folder (no trailing
// backslash) and the file name with its leading backslash. fileOffset is where
// the dialog says the name begins; the backslash just before it is the split.
// When that does not hold, the last backslash is used. False (and nothing
// written) when there is no backslash or a part does not fit fieldSize bytes
// with its terminating zero.
bool splitRecordPath(const char* path, std::size_t fileOffset, char* folder, char* fileName, std::size_t fieldSize);
