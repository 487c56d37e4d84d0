#include "program/input_fields.h"

#include <string_view>

#include "texts.h"

namespace {

ClockStamp input;
std::uint8_t flags;
std::uint8_t stageFlags;

// A two-digit field's text, with room for its two characters.
void twoDigitText(Control control, char (&text)[3]) { controlText(control, text, sizeof text); }

int numberIn(Control control) {
    char text[3];
    twoDigitText(control, text);
    return twoDigitNumber(text);
}

// Room for what the program may write into stageTempEdit ("-10,0").
void temperatureText(char (&text)[kTemperatureTextSize]) {
    controlText(Control::stageTempEdit, text, sizeof text);
}

void setStageFlag(std::uint8_t bit, bool invalid) {
    stageFlags = static_cast<std::uint8_t>(invalid ? stageFlags | bit : stageFlags & ~bit);
    seat().view.enable(Control::addStageButton, stageFlags == 0);
}

void recheckHold() {
    char hours[3];
    char minutes[3];
    twoDigitText(Control::holdHoursEdit, hours);
    twoDigitText(Control::holdMinutesEdit, minutes);
    setStageFlag(kHoldInvalidBit, !twoDigitTextValid(hours) || !twoDigitTextValid(minutes) ||
                                      holdInvalid(twoDigitNumber(hours), twoDigitNumber(minutes)));
}

// The flag of a start field whose text is not a number (a paste): the field's
// own, or the day's for the year, which has none.
std::uint8_t textFlag(TwoDigitField field) {
    switch (field) {
    case TwoDigitField::startMinute: return kMinuteInvalidBit;
    case TwoDigitField::startHour: return kHourInvalidBit;
    case TwoDigitField::startMonth: return kMonthInvalidBit;
    default: return kDayInvalidBit;
    }
}

}  // namespace

const ClockStamp& startInput() { return input; }

void setStartInput(const ClockStamp& start) {
    input = start;
    const struct {
        Control field;
        std::int16_t value;
    } fields[] = {{Control::startYearEdit, input.year},
                  {Control::startMonthEdit, input.month},
                  {Control::startDayEdit, input.day},
                  {Control::startHourEdit, input.hour},
                  {Control::startMinuteEdit, input.minute}};
    for (const auto& f : fields) {
        char text[kStampTextSize];
        formatTwoDigits(static_cast<std::uint16_t>(f.value), text);
        showText(f.field, text);
    }
}

std::uint8_t startMomentFlags() { return flags; }
bool startMomentValid() { return (flags & kStartFieldsInvalidMask) == 0; }

void setProgramPast(bool past) {
    flags = static_cast<std::uint8_t>(past ? flags | kProgramPastBit : flags & ~kProgramPastBit);
}
bool programPast() { return (flags & kProgramPastBit) != 0; }

std::uint8_t stageInputFlags() { return stageFlags; }

void recheckStageInput() {
    char temperature[kTemperatureTextSize];
    temperatureText(temperature);
    char hours[3];
    char minutes[3];
    twoDigitText(Control::holdHoursEdit, hours);
    twoDigitText(Control::holdMinutesEdit, minutes);
    stageFlags = stageInputFlagsFor(temperature, hours, minutes);
    seat().view.enable(Control::addStageButton, stageFlags == 0);
}

ParsedTemperature fieldTemperature(Control field) {
    // Room for 4 characters and the zero: the fields hold 4, and a longer text
    // set by the program ("-10,0") is read as its first 4 characters.
    char text[5] = {};
    controlText(field, text, sizeof text);
    return parseTemperatureText(text);
}

TwoDigitField twoDigitFieldOf(Control control) {
    for (int i = 0; i < static_cast<int>(TwoDigitField::none); ++i) {
        const auto field = static_cast<TwoDigitField>(i);
        if (controlOf(field) == control) return field;
    }
    return TwoDigitField::none;
}

Control controlOf(TwoDigitField field) {
    switch (field) {
    case TwoDigitField::startDay: return Control::startDayEdit;
    case TwoDigitField::startMonth: return Control::startMonthEdit;
    case TwoDigitField::startYear: return Control::startYearEdit;
    case TwoDigitField::startHour: return Control::startHourEdit;
    case TwoDigitField::startMinute: return Control::startMinuteEdit;
    case TwoDigitField::holdHours: return Control::holdHoursEdit;
    case TwoDigitField::holdMinutes: return Control::holdMinutesEdit;
    default: return Control::count;
    }
}

void onValueKey(Control field, bool linkUp) {
    if (field == Control::setpointEdit) {
        if (linkUp) seat().view.enable(Control::setButton, fieldTemperature(field).valid);
    } else if (field == Control::stageTempEdit) {
        char text[kTemperatureTextSize];
        temperatureText(text);
        setStageFlag(kStageTemperatureInvalidBit, !parseStageTemperature(text).valid);
    }
}

bool onFieldLeft(TwoDigitField field) {
    const Control control = controlOf(field);
    if (control == Control::count) return false;
    char text[3];
    twoDigitText(control, text);
    char shown[kStampTextSize];
    reformattedText(field, text, shown);
    if (std::string_view(text) == shown) return false;
    showText(control, shown);
    return true;
}

StartChange onFieldChanged(TwoDigitField field) {
    if (field == TwoDigitField::holdHours || field == TwoDigitField::holdMinutes) {
        recheckHold();
        return StartChange::none;
    }
    const StartFieldNumbers numbers{numberIn(Control::startDayEdit), numberIn(Control::startMonthEdit),
                                    numberIn(Control::startYearEdit), numberIn(Control::startHourEdit),
                                    numberIn(Control::startMinuteEdit)};
    // The field's number goes into the start moment, valid or not.
    switch (field) {
    case TwoDigitField::startDay: input.day = static_cast<std::int16_t>(numbers.day); break;
    case TwoDigitField::startMonth: input.month = static_cast<std::int16_t>(numbers.month); break;
    case TwoDigitField::startYear: input.year = static_cast<std::int16_t>(numbers.year); break;
    case TwoDigitField::startHour: input.hour = static_cast<std::int16_t>(numbers.hour); break;
    case TwoDigitField::startMinute: input.minute = static_cast<std::int16_t>(numbers.minute); break;
    default: return StartChange::none;
    }
    flags = recheckStartField(flags, field, numbers);
    for (TwoDigitField start : {TwoDigitField::startDay, TwoDigitField::startMonth, TwoDigitField::startYear,
                                TwoDigitField::startHour, TwoDigitField::startMinute}) {
        char text[3];
        twoDigitText(controlOf(start), text);
        if (!twoDigitTextValid(text)) flags |= textFlag(start);
    }
    return startMomentValid() ? StartChange::valid : StartChange::invalid;
}

void showFirstStageInput() {
    char text[kTemperatureTextSize];
    formatTemperature(200, text);
    showText(Control::stageTempEdit, text);
    showText(Control::holdHoursEdit, "3");
    showText(Control::holdMinutesEdit, "00");
}

void resetInputFields() {
    input = ClockStamp{};
    flags = 0;
    stageFlags = 0;
}
