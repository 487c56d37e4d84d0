#include "recording/record_format.h"

#include <cstdio>
#include <cstring>

#include "link/temperature.h"

// The texts are spelt out in Windows-1251 bytes so that they are the same in
// the program and in the native tests, whatever the compiler's character set.
const char* const intervalTexts[kIntervalCount + 1] = {
    "1 \xF1\xE5\xEA",       // 1 сек
    "5 \xF1\xE5\xEA",       // 5 сек
    "10 \xF1\xE5\xEA",      // 10 сек
    "30 \xF1\xE5\xEA",      // 30 сек
    "1 \xEC\xE8\xED",       // 1 мин
    "5 \xEC\xE8\xED",       // 5 мин
    "10 \xEC\xE8\xED",      // 10 мин
    nullptr,
};

const std::uint32_t intervalPeriods[kIntervalCount] = {1000, 5000, 10000, 30000, 60000, 300000, 600000};

namespace {

constexpr char kDateWord[] = "\xC4\xE0\xF2\xE0";                      // Дата
constexpr char kTimeWord[] = "\xC2\xF0\xE5\xEC\xFF";                  // Время
constexpr char kIntervalWord[] = "\xC8\xED\xF2\xE5\xF0\xE2\xE0\xEB";  // Интервал
constexpr char kLineEnd[] = "\r\n";

// Fields are clamped to what their width holds, so that a damaged time can
// never lengthen a line.
int clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

}  // namespace

RecordHeader makeRecordHeader(const RecordStartTime& start, std::size_t intervalIndex) {
    if (intervalIndex >= kIntervalCount) intervalIndex = 0;
    char date[16];
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", clamp(start.day, 0, 99), clamp(start.month, 0, 99),
                  clamp(start.year, 0, 9999));
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", clamp(start.hour, 0, 99), clamp(start.minute, 0, 99),
                  clamp(start.second, 0, 99));
    RecordHeader header;
    header.dateLine = std::string(kDateWord) + '\t' + date + kLineEnd;
    header.timeLine = std::string(kTimeWord) + '\t' + time + kLineEnd;
    header.intervalLines = std::string(kIntervalWord) + '\t' + intervalTexts[intervalIndex] + kLineEnd + kLineEnd;
    return header;
}

std::string makeValueLine(std::int16_t tenths) {
    char text[kTemperatureTextSize];
    formatTemperature(tenths, text);
    return std::string(text) + kLineEnd;
}

void RecordSchedule::start(std::uint32_t now, std::uint32_t period) {
    lastTick_ = now;
    period_ = period == 0 ? 1 : period;
    elapsed_ = 0;
    nextDue_ = 0;
    lastDue_ = 0;
    missed_ = 0;
}

std::uint64_t RecordSchedule::due(std::uint32_t now) {
    // Unsigned subtraction gives the right difference across the wrap.
    elapsed_ += static_cast<std::uint32_t>(now - lastTick_);
    lastTick_ = now;
    if (elapsed_ < nextDue_) return 0;
    const std::uint64_t slots = (elapsed_ - nextDue_) / period_ + 1;
    lastDue_ = nextDue_ + (slots - 1) * period_;
    nextDue_ = lastDue_ + period_;
    missed_ += slots - 1;
    return slots;
}

bool splitRecordPath(const char* path, std::size_t fileOffset, char* folder, char* fileName, std::size_t fieldSize) {
    const std::size_t length = std::strlen(path);
    std::size_t split = length;
    if (fileOffset > 0 && fileOffset < length && path[fileOffset - 1] == '\\') {
        split = fileOffset - 1;
    } else {
        const char* last = std::strrchr(path, '\\');
        if (!last) return false;
        split = static_cast<std::size_t>(last - path);
    }
    // The name must not be empty: a path that ends in a backslash names a folder.
    if (split + 1 >= length) return false;
    if (split + 1 > fieldSize || length - split + 1 > fieldSize) return false;
    std::memcpy(folder, path, split);
    folder[split] = '\0';
    std::memcpy(fileName, path + split, length - split + 1);
    return true;
}
