// The rules of the input fields: the character filter, validity of the start
// moment and of the hold, reformatting, focus movement, and what is stored.
#include "program/input_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using F = TwoDigitField;

TEST(InputRules, TemperatureFieldKeepsDigitsSignCommaAndBackspace) {
    const struct {
        unsigned typed;
        int kept;
    } cases[] = {{'.', ','}, {',', ','}, {'-', '-'}, {'\b', '\b'}, {'0', '0'}, {'9', '9'}, {'a', -1},
                 {' ', -1},  {'+', -1},  {22, -1},   {13, -1},     {0, -1},   {'/', -1}, {':', -1},
                 {0xB8, -1}, {0x1FF, -1}};
    for (const auto& c : cases) EXPECT_EQ(c.kept, temperatureFieldChar(c.typed)) << "typed " << c.typed;
}

// The typed sequences of the window tests cover the ordinary cases; here the
// day check's corners and which bits each field may touch.
TEST(InputRules, StartFieldsMarkTheirOwnBitsAndTheDayCheck) {
    const struct {
        F field;
        StartFieldNumbers n;  // day, month, year, hour, minute
        std::uint8_t before, after;
    } cases[] = {
        {F::startMinute, {1, 1, 26, 0, 60}, 0x01, 0x03},  // bit 0 is kept
        {F::startHour, {1, 1, 26, 23, 0}, 0x06, 0x02},
        {F::startMonth, {31, 4, 26, 0, 0}, 0x08, 0x10},   // a valid month repeats the day check
        {F::startMonth, {31, 13, 26, 0, 0}, 0x10, 0x18},  // the day bit waits while the month is bad
        {F::startDay, {31, 13, 26, 0, 0}, 0x08, 0x08},    // held against 31 meanwhile
        {F::startDay, {32, 13, 26, 0, 0}, 0x08, 0x18},
        {F::startYear, {29, 2, 0, 0, 0}, 0x10, 0},  // 2000 is leap
        {F::startYear, {29, 2, 99, 0, 0}, 0, 0x10},
        {F::holdHours, {0, 0, 0, 99, 99}, 0x1F, 0x1F},  // not a start field
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.field));
        EXPECT_EQ(c.after, recheckStartField(c.before, c.field, c.n)) << c.n.day << "." << c.n.month << "." << c.n.year;
    }
}

TEST(InputRules, StageInputFlagsForTemperatureAndHold) {
    const struct {
        const char *temperature, *hours, *minutes;
        std::uint8_t flags;
    } cases[] = {
        {"-10,0", "1", "0", 0},  // the program's own text of a stage
        {"-10,", "1", "0", 1},   {"-10,00", "1", "0", 1}, {"-11,0", "1", "0", 1}, {"x", "0", "0", 3},
        {"20", "0", "1", 0},     {"20", "0", "75", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.flags, stageInputFlagsFor(c.temperature, c.hours, c.minutes))
            << c.temperature << " " << c.hours << ":" << c.minutes;
}

TEST(InputRules, OnlyStagesTheLoaderKeepsAreMade) {
    StageEntry stage{1, 2, 3};
    ASSERT_TRUE(stageFromInput("-10,0", "5", "07", stage));
    EXPECT_EQ(2630, stage.temperatureCode);
    EXPECT_EQ(7, stage.holdMinutes);
    EXPECT_EQ(5, stage.holdHours);
    ASSERT_TRUE(stageFromInput("37,5", "2", "05", stage));
    EXPECT_EQ(3105, stage.temperatureCode);

    for (const char* bad : {"-10,", "-10,5", "", "-", "61"}) {
        StageEntry untouched{1, 2, 3};
        EXPECT_FALSE(stageFromInput(bad, "1", "00", untouched)) << bad;
        EXPECT_EQ(1, untouched.temperatureCode);
    }
    EXPECT_FALSE(stageFromInput("20", "0", "00", stage));
    EXPECT_FALSE(stageFromInput("20", "1", "60", stage));
    EXPECT_EQ(3105, stage.temperatureCode);
}

TEST(InputRules, APastedHoldThatIsNotANumberIsInvalid) {
    // Keys let only digits into the hold, a paste anything: "1a" must not be
    // taken for 10 hours.
    const struct {
        const char *hours, *minutes;
        bool valid;
    } cases[] = {
        {"1", "00", true}, {"1a", "00", false}, {"1", "0-", false}, {" 1", "00", false}, {"", "05", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.hours) + ":" + c.minutes);
        StageEntry stage{1, 2, 3};
        EXPECT_EQ(stageFromInput("20", c.hours, c.minutes, stage), c.valid);
        EXPECT_EQ((stageInputFlagsFor("20", c.hours, c.minutes) & kHoldInvalidBit) == 0, c.valid);
        EXPECT_EQ(twoDigitTextValid(c.hours) && twoDigitTextValid(c.minutes), c.valid);
    }
}

TEST(InputRules, LeftFieldsAreReformatted) {
    const struct {
        F field;
        const char *text, *shown;
    } cases[] = {
        {F::startDay, "7", "07"}, {F::startMinute, "", "00"}, {F::holdMinutes, "5", "05"},
        {F::holdHours, "00", "0"}, {F::holdHours, "5", "5"},   {F::holdHours, "05", "05"},
    };
    for (const auto& c : cases) {
        char out[kStampTextSize];
        reformattedText(c.field, c.text, out);
        EXPECT_EQ(std::string(c.shown), out) << static_cast<int>(c.field) << " '" << c.text << "'";
    }
}

TEST(InputRules, FocusMovesBetweenTheTwoDigitFields) {
    const F N = F::none;
    // From each field: Tab, Right at the end, Left at the start.
    const struct {
        F from, tab, right, left;
    } table[] = {
        {F::startDay, F::startMonth, F::startMonth, N},
        {F::startMonth, F::startYear, F::startYear, F::startDay},
        {F::startYear, F::startHour, N, F::startMonth},
        {F::startHour, F::startMinute, F::startMinute, N},
        {F::startMinute, F::startDay, N, F::startHour},
        {F::holdHours, F::holdMinutes, F::holdMinutes, N},
        {F::holdMinutes, N, N, F::holdHours},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(static_cast<int>(row.from));
        EXPECT_EQ(row.tab, focusTarget(row.from, fieldTab));
        EXPECT_EQ(row.right, focusTarget(row.from, fieldRightAtEnd));
        EXPECT_EQ(row.left, focusTarget(row.from, fieldLeftAtStart));
        EXPECT_EQ(N, focusTarget(row.from, fieldChanged));
        EXPECT_EQ(N, focusTarget(row.from, fieldLeft));
    }
    EXPECT_EQ(N, focusTarget(F::none, fieldTab));
}

}  // namespace
