// The rules behind the small input fields: which characters a temperature
// field takes, what a two-digit field's text stands for and how it reads once
// left, where Tab and the arrow keys move the focus, when the start moment and
// the hold are valid, and which stage the three stage-input fields describe.
// Portable: no Windows header.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"
#include "link/temperature.h"
#include "program/clock_stamp.h"

// The character a temperature field keeps for a typed one: "." becomes ",";
// digits, ",", "-" and backspace pass unchanged; -1 drops every other
// character, control characters such as Ctrl+V's included.
int temperatureFieldChar(unsigned character);

// The seven two-digit fields, in the order the window creates them.
enum class TwoDigitField : std::uint8_t {
    startDay,
    startMonth,
    startYear,
    startHour,
    startMinute,
    holdHours,
    holdMinutes,
    none,
};

// What a two-digit field reports to the window (FieldKey's lParam).
enum FieldKeyCode : int {
    fieldLeft = 0,         // the field lost the focus
    fieldChanged = 1,      // a character or Delete: the text may have changed
    fieldTab = 2,          // Tab
    fieldLeftAtStart = 3,  // Left with the caret at the start
    fieldRightAtEnd = 4,   // Right with the caret at the end
};

// The field that takes the focus for a movement code (fieldTab,
// fieldLeftAtStart, fieldRightAtEnd); none when the key does not move it.
TwoDigitField focusTarget(TwoDigitField from, int code);

// The number a two-digit field holds: its first two characters read by
// parseTwoDigits, so an empty field is 0.
int twoDigitNumber(const char* text);

// The text a field gets when it is left (room for kStampTextSize): the hold's
// hours read "0" when they are 0 and keep their text otherwise ("5" and "05"
// both stay); every other field shows its number with two digits.
void reformattedText(TwoDigitField field, const char* text, char* out);

// Bits of startMomentFlags.
constexpr std::uint8_t kProgramPastBit = 0x01;  // the program's end was not ahead
constexpr std::uint8_t kMinuteInvalidBit = 0x02;
constexpr std::uint8_t kHourInvalidBit = 0x04;
constexpr std::uint8_t kMonthInvalidBit = 0x08;
constexpr std::uint8_t kDayInvalidBit = 0x10;
constexpr std::uint8_t kStartFieldsInvalidMask = 0x1E;

// The numbers the five start fields hold now (year minus 2000).
struct StartFieldNumbers {
    int day;
    int month;
    int year;
    int hour;
    int minute;
};

// Whether a day cannot be in the month: day 0, or past the month's length in
// that year (February has 29 days in a year divisible by 4). While the month
// itself is invalid the day is held against the longest month, 31.
bool dayInvalid(int day, int month, int year);

// startMomentFlags after a change of one start field: that field's bit (the
// day check follows a valid month, the day and the year); bit 0 and the bits
// of the other fields are kept.
std::uint8_t recheckStartField(std::uint8_t flags, TwoDigitField field, const StartFieldNumbers& numbers);

// Bits of stageInputFlags; addStageButton is enabled while both are clear.
constexpr std::uint8_t kStageTemperatureInvalidBit = 0x01;
constexpr std::uint8_t kHoldInvalidBit = 0x02;

// A hold of 0:00, or minutes above 59.
bool holdInvalid(int hours, int minutes);

// Whether a two-digit field's text (its first two characters) holds digits
// only. Keys let nothing else in, but a paste can.
bool twoDigitTextValid(const char* text);

// The temperature stageTempEdit stands for. What the operator types is read as
// the field holds it, four characters. The program itself writes the text form
// of a stage into the field on editing, and "-10,0" is five characters long: a
// longer text is valid exactly when it is the text form of an accepted code, so
// that a stage opened for editing keeps its temperature.
ParsedTemperature parseStageTemperature(const char* text);

// stageInputFlags for the three stage-input fields' texts.
std::uint8_t stageInputFlagsFor(const char* temperatureText, const char* hoursText, const char* minutesText);

// The stage the three fields describe. False, and out untouched, unless it is
// one the settings loader keeps: an accepted temperature, a hold of 0:01 to
// 99:59.
bool stageFromInput(const char* temperatureText, const char* hoursText, const char* minutesText, StageEntry& out);
