#include "journal/journal_format.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "link/temperature.h"

namespace {

constexpr std::int64_t kDaySeconds = 86400;
constexpr int kLongestOffset = 14 * 60;  // minutes either way

// Days from 01.01.1970 to a date of the proleptic Gregorian calendar, for any
// year (the year runs from March, so that the leap day comes last). The
// month may lie outside 1..12: it carries into the year.
constexpr std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t monthIndex = month - 1;
    std::int64_t carry = monthIndex / 12;
    std::int64_t m = monthIndex % 12;
    if (m < 0) {
        m += 12;
        --carry;
    }
    std::int64_t y = year + carry;
    const std::int64_t mm = m + 1;  // 1..12
    if (mm <= 2) --y;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;                               // 0..399
    const std::int64_t dayOfYear = (153 * (mm > 2 ? mm - 3 : mm + 9) + 2) / 5;  // 0..365, from 1 March
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + (day - 1);
}

// Days from 01.01.1970 to 01.01.1601.
constexpr std::int64_t kOriginDays = daysFromCivil(1601, 1, 1);
static_assert(kOriginDays == -134774);

// The times a line can carry: the four-digit years 0001..9999.
constexpr std::int64_t kFirstSecond = (daysFromCivil(1, 1, 1) - kOriginDays) * kDaySeconds;
constexpr std::int64_t kLastSecond = (daysFromCivil(10000, 1, 1) - kOriginDays) * kDaySeconds - 1;

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysOfMonth(int year, int month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : lengths[month - 1];
}

void appendDigits(std::string& out, int value, int width) {
    char digits[12];
    int count = 0;
    unsigned magnitude = static_cast<unsigned>(value < 0 ? 0 : value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (int i = count; i < width; ++i) out += '0';
    while (count > 0) out += digits[--count];
}

void appendTemperature(std::string& out, std::int16_t tenths) {
    char text[kTemperatureTextSize];
    formatTemperature(tenths, text);
    out += text;
}

// The event's text as one field: a line break (CR LF, or either alone) and a
// zero byte become a space, since either would cut the line apart or make it
// unreadable; a text with ";" or a quote goes in quotes, its quotes doubled.
void appendEvent(std::string& out, const std::string& event) {
    std::string text;
    text.reserve(event.size());
    for (std::size_t i = 0; i < event.size(); ++i) {
        const char c = event[i];
        if (c == '\r' && i + 1 < event.size() && event[i + 1] == '\n') continue;  // the pair is one break
        text += c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
    }
    if (text.find_first_of(";\"") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// A reader over one line that never goes past its end.
struct Cursor {
    const char* at;
    const char* end;

    bool take(char c) {
        if (at == end || *at != c) return false;
        ++at;
        return true;
    }
    // Exactly width digits.
    bool number(int width, int& value) {
        if (end - at < width) return false;
        value = 0;
        for (int i = 0; i < width; ++i) {
            const char c = at[i];
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        at += width;
        return true;
    }
    // The field up to the next ";" (which is taken too); false when there is
    // none.
    bool field(const char*& from, const char*& to) {
        const void* found = std::memchr(at, ';', static_cast<std::size_t>(end - at));
        if (found == nullptr) return false;
        from = at;
        to = static_cast<const char*>(found);
        at = to + 1;
        return true;
    }
};

bool parseTime(Cursor& c, LocalTime& time) {
    if (!(c.number(2, time.day) && c.take('.') && c.number(2, time.month) && c.take('.') && c.number(4, time.year) &&
          c.take(' ') && c.number(2, time.hour) && c.take(':') && c.number(2, time.minute) && c.take(':') &&
          c.number(2, time.second) && c.take(';')))
        return false;
    return time.year >= 1 && time.month >= 1 && time.month <= 12 && time.day >= 1 &&
           time.day <= daysOfMonth(time.year, time.month) && time.hour <= 23 && time.minute <= 59 && time.second <= 59;
}

bool parseOffset(Cursor& c, int& minutes) {
    if (c.at == c.end || (*c.at != '+' && *c.at != '-')) return false;
    const bool negative = *c.at++ == '-';
    int hours = 0, rest = 0;
    if (!(c.number(2, hours) && c.take(':') && c.number(2, rest) && c.take(';'))) return false;
    if (rest > 59) return false;
    minutes = hours * 60 + rest;
    if (minutes > kLongestOffset) return false;
    if (negative) minutes = -minutes;
    return true;
}

// Empty, or a temperature as formatTemperature writes it: an optional "-",
// digits, a comma and one digit, within the 16-bit tenths.
bool parseTemperatureField(const char* from, const char* to, bool& present, std::int16_t& tenths) {
    present = from != to;
    if (!present) return true;
    const bool negative = *from == '-';
    if (negative) ++from;
    if (to - from < 3 || to[-2] != ',') return false;
    std::int32_t value = 0;
    for (const char* p = from; p != to; ++p) {
        if (p == to - 2) continue;  // the comma
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > 32768) return false;
    }
    if (negative) value = -value;
    if (value > 32767) return false;
    tenths = static_cast<std::int16_t>(value);
    return true;
}

// Empty for no stage, or 0..255.
bool parseStage(const char* from, const char* to, int& stage) {
    stage = 0;
    if (to - from > 3) return false;
    for (const char* p = from; p != to; ++p) {
        if (*p < '0' || *p > '9') return false;
        stage = stage * 10 + (*p - '0');
    }
    return stage <= 255;
}

// The last field, to the end of the line: plain text without ";" or quotes,
// or a quoted text with its quotes doubled. No line break inside either.
bool parseEvent(const char* from, const char* to, std::string& event) {
    event.clear();
    if (from == to) return true;
    if (*from != '"') {
        for (const char* p = from; p != to; ++p)
            if (*p == ';' || *p == '"' || *p == '\r' || *p == '\n') return false;
        event.assign(from, to);
        return true;
    }
    for (const char* p = from + 1; p != to; ++p) {
        if (*p == '\r' || *p == '\n') return false;
        if (*p != '"') {
            event += *p;
        } else if (p + 1 == to) {
            return true;  // the closing quote ends the line
        } else if (p[1] == '"') {
            event += '"';
            ++p;
        } else {
            return false;  // a lone quote inside
        }
    }
    return false;  // no closing quote: the line was cut short
}

}  // namespace

std::int64_t calendarSeconds(const LocalTime& time) {
    const std::int64_t days = daysFromCivil(time.year, time.month, time.day) - kOriginDays;
    return days * kDaySeconds + std::int64_t{time.hour} * 3600 + std::int64_t{time.minute} * 60 + time.second;
}

LocalTime calendarTime(std::int64_t seconds) {
    // Kept to the years a line can carry, so that any count gives a date.
    seconds = std::clamp(seconds, kFirstSecond, kLastSecond);
    const std::int64_t days = floorDiv(seconds, kDaySeconds);
    const std::int64_t ofDay = seconds - days * kDaySeconds;

    const std::int64_t z = days + kOriginDays + 719468;  // days from 01.03.0000
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    LocalTime time;
    time.year = static_cast<int>(year);
    time.month = static_cast<int>(month);
    time.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    time.hour = static_cast<int>(ofDay / 3600);
    time.minute = static_cast<int>(ofDay / 60 % 60);
    time.second = static_cast<int>(ofDay % 60);
    return time;
}

int utcOffsetMinutes(const ClockReading& reading) {
    // A garbage universal count is kept far from the ends of the range, so the
    // difference cannot overflow; it is clamped below anyway.
    constexpr std::int64_t kFar = std::int64_t{1} << 62;
    const std::int64_t universal = std::clamp(reading.universalSeconds, -kFar, kFar);
    const std::int64_t difference = calendarSeconds(reading.local) - universal;
    const std::int64_t quarters = floorDiv(difference + 450, 900);  // to the nearest 15 min, halves up
    return static_cast<int>(std::clamp<std::int64_t>(quarters * 15, -kLongestOffset, kLongestOffset));
}

const std::string& journalHeader() {
    static const std::string header = "Время;UTC;Измерено, °C;Поддерживается, °C;Этап;Событие\r\n";
    return header;
}

std::string journalFileName(const LocalTime& day) {
    std::string name;
    name.reserve(16);
    appendDigits(name, day.year, 4);
    name += '-';
    appendDigits(name, day.month, 2);
    name += '-';
    appendDigits(name, day.day, 2);
    name += ".csv";
    return name;
}

void appendJournalLine(std::string& out, const JournalLine& line) {
    // An offset past 14 h would make a line that does not read back; the
    // universal time is what is kept.
    const int offset = std::clamp(line.offsetMinutes, -kLongestOffset, kLongestOffset);
    const std::int64_t universal = std::clamp(line.universalSeconds, kFirstSecond, kLastSecond);
    const LocalTime local = calendarTime(universal + std::int64_t{offset} * 60);

    appendDigits(out, local.day, 2);
    out += '.';
    appendDigits(out, local.month, 2);
    out += '.';
    appendDigits(out, local.year, 4);
    out += ' ';
    appendDigits(out, local.hour, 2);
    out += ':';
    appendDigits(out, local.minute, 2);
    out += ':';
    appendDigits(out, local.second, 2);
    out += ';';

    out += offset < 0 ? '-' : '+';
    const int magnitude = offset < 0 ? -offset : offset;
    appendDigits(out, magnitude / 60, 2);
    out += ':';
    appendDigits(out, magnitude % 60, 2);
    out += ';';

    if (line.hasMeasured) appendTemperature(out, line.measuredTenths);
    out += ';';
    if (line.hasMaintained) appendTemperature(out, line.maintainedTenths);
    out += ';';
    // Stage 0 (and anything outside the stage numbers) is no stage.
    if (line.stage >= 1 && line.stage <= 255) appendDigits(out, line.stage, 1);
    out += ';';
    appendEvent(out, line.event);
    out += "\r\n";
}

std::string formatJournalLine(const JournalLine& line) {
    std::string out;
    out.reserve(48 + line.event.size());
    appendJournalLine(out, line);
    return out;
}

std::string journalAppendPrefix(std::uint64_t fileSize, char lastByte) {
    if (fileSize == 0) return journalHeader();
    if (lastByte != '\n') return "\r\n";
    return std::string();
}

bool parseJournalLine(const char* text, std::size_t n, JournalLine& out) {
    if (text == nullptr) return false;
    if (n > 0 && text[n - 1] == '\r') --n;
    if (std::memchr(text, '\0', n) != nullptr) return false;

    Cursor c{text, text + n};
    LocalTime local{};
    JournalLine line;
    if (!parseTime(c, local) || !parseOffset(c, line.offsetMinutes)) return false;

    const char *from = nullptr, *to = nullptr;
    if (!c.field(from, to) || !parseTemperatureField(from, to, line.hasMeasured, line.measuredTenths)) return false;
    if (!c.field(from, to) || !parseTemperatureField(from, to, line.hasMaintained, line.maintainedTenths)) return false;
    if (!c.field(from, to) || !parseStage(from, to, line.stage)) return false;
    if (!parseEvent(c.at, c.end, line.event)) return false;

    line.universalSeconds = calendarSeconds(local) - std::int64_t{line.offsetMinutes} * 60;
    out = std::move(line);
    return true;
}
