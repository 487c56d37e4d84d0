#include "program/input_rules.h"

#include <cstring>


namespace {

using F = TwoDigitField;

struct FocusMoves {
    F tab;
    F rightAtEnd;
    F leftAtStart;
};

// Indexed by TwoDigitField. The start moment's Tab goes round its five fields;
// the arrows stop at the ends of the date and of the time.
constexpr FocusMoves kFocusMoves[] = {
    {F::startMonth, F::startMonth, F::none},    // startDay
    {F::startYear, F::startYear, F::startDay},  // startMonth
    {F::startHour, F::none, F::startMonth},     // startYear
    {F::startMinute, F::startMinute, F::none},  // startHour
    {F::startDay, F::none, F::startHour},       // startMinute
    {F::holdMinutes, F::holdMinutes, F::none},  // holdHours
    {F::none, F::none, F::holdHours},           // holdMinutes
};

std::size_t boundedLength(const char* text, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    return length;
}

}  // namespace

int temperatureFieldChar(unsigned character) {
    if (character == '.') return ',';
    const bool kept = character == ',' || character == '-' || character == '\b' || (character >= '0' && character <= '9');
    return kept ? static_cast<int>(character) : -1;
}

TwoDigitField focusTarget(TwoDigitField from, int code) {
    const auto index = static_cast<std::size_t>(from);
    if (index >= sizeof kFocusMoves / sizeof kFocusMoves[0]) return F::none;
    const FocusMoves& moves = kFocusMoves[index];
    switch (code) {
    case fieldTab: return moves.tab;
    case fieldRightAtEnd: return moves.rightAtEnd;
    case fieldLeftAtStart: return moves.leftAtStart;
    default: return F::none;
    }
}

int twoDigitNumber(const char* text) {
    if (text == nullptr) return 0;
    return parseTwoDigits(text, static_cast<int>(boundedLength(text, 2)));
}

void reformattedText(TwoDigitField field, const char* text, char* out) {
    const int number = twoDigitNumber(text);
    if (field == F::holdHours) {
        if (number == 0) {
            std::strcpy(out, "0");
        } else {
            const std::size_t length = boundedLength(text, 2);
            std::memcpy(out, text, length);
            out[length] = '\0';
        }
        return;
    }
    formatTwoDigits(static_cast<unsigned>(number), out);
}

bool dayInvalid(int day, int month, int year) {
    const int length = month >= 1 && month <= 12 ? monthLength(year, month) : 31;
    return day == 0 || day > length;
}

std::uint8_t recheckStartField(std::uint8_t flags, TwoDigitField field, const StartFieldNumbers& n) {
    auto set = [&flags](std::uint8_t bit, bool invalid) {
        flags = static_cast<std::uint8_t>(invalid ? flags | bit : flags & ~bit);
    };
    switch (field) {
    case F::startMinute: set(kMinuteInvalidBit, n.minute >= 60); break;
    case F::startHour: set(kHourInvalidBit, n.hour >= 24); break;
    case F::startMonth:
        set(kMonthInvalidBit, n.month == 0 || n.month >= 13);
        if (!(flags & kMonthInvalidBit)) set(kDayInvalidBit, dayInvalid(n.day, n.month, n.year));
        break;
    case F::startDay:
    case F::startYear: set(kDayInvalidBit, dayInvalid(n.day, n.month, n.year)); break;
    default: break;
    }
    return flags;
}

bool holdInvalid(int hours, int minutes) { return minutes > 59 || (hours == 0 && minutes == 0); }

bool twoDigitTextValid(const char* text) {
    if (text == nullptr) return true;
    for (std::size_t i = 0; i < 2 && text[i] != '\0'; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

ParsedTemperature parseStageTemperature(const char* text) {
    constexpr ParsedTemperature invalid{false, 0};
    if (text == nullptr) return invalid;
    if (boundedLength(text, 5) <= 4) return parseTemperatureText(text);
    for (unsigned code = kLowestAcceptedCode; code <= kHighestAcceptedCode; ++code) {
        char form[kTemperatureTextSize];
        formatTemperature(tenthsFromCode(static_cast<TemperatureCode>(code)), form);
        if (std::strcmp(form, text) == 0) return ParsedTemperature{true, static_cast<TemperatureCode>(code)};
    }
    return invalid;
}

std::uint8_t stageInputFlagsFor(const char* temperatureText, const char* hoursText, const char* minutesText) {
    std::uint8_t flags = 0;
    if (!parseStageTemperature(temperatureText).valid) flags |= kStageTemperatureInvalidBit;
    if (!twoDigitTextValid(hoursText) || !twoDigitTextValid(minutesText) ||
        holdInvalid(twoDigitNumber(hoursText), twoDigitNumber(minutesText)))
        flags |= kHoldInvalidBit;
    return flags;
}

bool stageFromInput(const char* temperatureText, const char* hoursText, const char* minutesText, StageEntry& out) {
    const ParsedTemperature temperature = parseStageTemperature(temperatureText);
    if (!temperature.valid || !twoDigitTextValid(hoursText) || !twoDigitTextValid(minutesText)) return false;
    const StageEntry stage{temperature.code, static_cast<std::uint8_t>(twoDigitNumber(minutesText)),
                           static_cast<std::uint8_t>(twoDigitNumber(hoursText))};
    if (!stageWellFormed(stage)) return false;
    out = stage;
    return true;
}
