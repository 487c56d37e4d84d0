// What a start of the program takes from the settings file and what its end
// writes back: the start moment in the five fields, a run kept or cleared,
// and the file rewritten with the start moment and nothing else changed.
#include <gtest/gtest.h>

#include "front.h"
#include "run/run.h"
#include "scenario.h"

namespace world {
namespace {

struct StartUpCase {
    const char* name;
    std::int64_t now;
    bool flagged;
    std::vector<StageSpec> stages;
    std::vector<int> stored;  // the stored start moment (year - 2000 first), or none
    std::uint8_t portIndex;   // 2: no longer listed
    std::vector<std::string> fields;  // day, month, year, hour, minute as shown
    bool runKept;
    std::vector<unsigned> savedMoment;  // the start moment the end writes
};

class StartAndEnd : public testing::TestWithParam<StartUpCase> {};

TEST_P(StartAndEnd, KeepOrClearTheRunAndSaveTheStartMomentAlone) {
    const StartUpCase& c = GetParam();
    World w(startingAt(c.now));
    const LocalTime stored =
        c.stored.empty() ? LocalTime{}
                         : LocalTime{2000 + c.stored[0], c.stored[1], c.stored[2], c.stored[3], c.stored[4], 0};
    w.settingsFile = settingsBytes(c.stages, stored, c.flagged, c.portIndex);
    if (c.stored.empty()) std::fill(w.settingsFile.begin() + 3, w.settingsFile.begin() + 13, 0);
    const std::vector<std::uint8_t> before = w.settingsFile;
    w.start();

    const Control fields[] = {Control::startDayEdit, Control::startMonthEdit, Control::startYearEdit,
                              Control::startHourEdit, Control::startMinuteEdit};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(w.control(fields[i]).text, c.fields[i]) << i;
    EXPECT_EQ(runActive(), c.runKept);
    // Nothing shows a kept run until the link is up.
    EXPECT_FALSE(w.control(Control::runButton).enabled);
    EXPECT_EQ(w.control(Control::runButton).text, "Начать работу с момента >>");

    ASSERT_TRUE(w.close());
    EXPECT_TRUE(w.boxes().empty()) << "no link: closing does not ask";
    std::vector<std::uint8_t> expected = before;
    expected[1] = c.runKept ? 0xFF : 0x00;
    for (int i = 0; i < 5; ++i) {
        expected[3 + 2 * i] = static_cast<std::uint8_t>(c.savedMoment[i]);
        expected[4 + 2 * i] = 0;
    }
    EXPECT_EQ(w.settingsFile, expected);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, StartAndEnd,
    testing::Values(
        StartUpCase{"ARunWithoutALinkClosesAtOnceAndIsKept", wallSeconds(2026, 3, 15, 9, 30), true,
                    {{2930, 5, 0}}, {}, 0, {"15", "03", "26", "09", "30"}, true, {26, 3, 15, 9, 30}},
        StartUpCase{"TheEndWritesThePresentStartMomentAndNothingElse", wallSeconds(2031, 11, 28, 23, 7), false,
                    {{3105, 2, 5}, {2930, 0, 1}}, {}, 1, {"28", "11", "31", "23", "07"}, false, {31, 11, 28, 23, 7}},
        StartUpCase{"AStoredStartMomentIsRestoredWhenThePortIsListed", wallSeconds(2026, 3, 15, 9, 30), false,
                    {{2930, 1, 0}}, {26, 2, 1, 6, 5}, 0, {"01", "02", "26", "06", "05"}, false, {26, 2, 1, 6, 5}},
        StartUpCase{"AStoredStartMomentIsNotRestoredWhenThePortIsMissing", wallSeconds(2026, 3, 15, 9, 30), false,
                    {{2930, 1, 0}}, {26, 2, 1, 6, 5}, 2, {"15", "03", "26", "09", "30"}, false, {26, 3, 15, 9, 30}},
        StartUpCase{"AnOverRunWithItsPortMissingShowsThePresent", wallSeconds(2026, 3, 15, 9, 30), true,
                    {{2930, 99, 59}}, {26, 3, 1, 8, 0}, 2, {"15", "03", "26", "09", "30"}, false, {26, 3, 15, 9, 30}},
        StartUpCase{"ARunWhoseEndHasPassedIsCleared", wallSeconds(2026, 3, 15, 9, 30), true,
                    {{2930, 99, 59}, {2930, 99, 59}}, {26, 3, 1, 8, 0}, 0, {"01", "03", "26", "08", "00"}, false,
                    {26, 3, 1, 8, 0}},
        StartUpCase{"ARunEndingThisVeryMinuteCountsAsOver", wallSeconds(2026, 3, 15, 9, 30, 59), true,
                    {{2930, 1, 0}, {2930, 0, 1}}, {26, 3, 15, 8, 29}, 0, {"15", "03", "26", "08", "29"}, false,
                    {26, 3, 15, 8, 29}},
        StartUpCase{"ARunWithItsEndAheadIsKept", wallSeconds(2026, 3, 15, 9, 30), true, {{2930, 1, 2}},
                    {26, 3, 15, 8, 29}, 0, {"15", "03", "26", "08", "29"}, true, {26, 3, 15, 8, 29}}),
    [](const testing::TestParamInfo<StartUpCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace world

namespace world {
namespace {

// A run left in the file at start-up: each case names the fault it guards
// against.
struct LeftRunCase {
    const char* name;
    const char* fault;
    std::function<void(World&)> check;
};

class StartUpWithARun : public testing::TestWithParam<LeftRunCase> {};

TEST_P(StartUpWithARun, KeepsTheRunTheFileHolds) {
    const LeftRunCase& c = GetParam();
    World w(startingAt(kNoon + 90));
    c.check(w);
}

// A 12:00-12:02, B 12:02-12:04, C 12:04-12:06; the program starts at 12:01:30.
const std::vector<StageSpec> kProgram{{kA, 0, 2}, {kB, 0, 2}, {kC, 0, 2}};

INSTANTIATE_TEST_SUITE_P(
    LeftInTheFile, StartUpWithARun,
    testing::Values(
        LeftRunCase{"ALateThermostatAtStartUpKeepsTheRun", "a late thermostat at start-up dropping the run",
                    [](World& w) {
                        w.settingsFile = settingsBytes(kProgram, localTimeAt(kNoon), true);
                        w.thermostat().delayReplies(1, 1.2);
                        w.start();
                        w.runFor(3000);
                        EXPECT_EQ(linkState(), linkDown);
                        EXPECT_TRUE(runActive()) << "the run waits for the thermostat";
                        EXPECT_EQ(w.boxes().size(), 1u) << "the operator is told once";
                        const std::size_t frames = w.wire().size();
                        ASSERT_TRUE(w.click(Control::connectButton));
                        w.runFor(2000);
                        EXPECT_TRUE(runActive());
                        const auto sets = w.setCommands(frames);
                        ASSERT_FALSE(sets.empty());
                        EXPECT_EQ(sets[0].code(), kA);
                        w.boxRule = answerBy({{kCloseQuestion, BoxReply{box::answerYes, 0}}});
                        EXPECT_TRUE(w.close());
                        EXPECT_EQ(w.settingsFile[1], 0xFF);
                    }},
        LeftRunCase{"AFlaggedRunKeepsItsStartMomentWhenItsPortIsMissing",
                    "a flagged run losing its start moment when the saved port is missing",
                    [](World& w) {
                        w.settingsFile = settingsBytes(kProgram, localTimeAt(kNoon), true, 2);
                        w.start();
                        EXPECT_EQ(w.control(Control::startHourEdit).text, "12");
                        EXPECT_EQ(w.control(Control::startMinuteEdit).text, "00");
                        w.choosePort(0);
                        EXPECT_EQ(fileWord(w.settingsFile, 11), 0u) << "the stored minute";
                        ASSERT_TRUE(w.click(Control::connectButton));
                        w.runFor(2000);
                        ASSERT_TRUE(runActive());
                        ASSERT_FALSE(w.setCommands().empty());
                        EXPECT_EQ(w.setCommands()[0].code(), kA) << "the stage of the stored start moment";
                        EXPECT_EQ(w.selectedRow(), 0);
                    }},
        LeftRunCase{"AnInvalidStartMomentKeepsTheRunButtonOff",
                    "the run button enabled from the clock alone on connecting",
                    [](World& w) {
                        w.settingsFile = settingsBytes(kProgram, localTimeAt(kNoon + 3600), false);
                        std::fill(w.settingsFile.begin() + 3, w.settingsFile.begin() + 13, 0);
                        w.start();
                        ASSERT_TRUE(w.type(Control::startMonthEdit, "13"));
                        ASSERT_TRUE(w.click(Control::connectButton));
                        ASSERT_TRUE(w.runUntil([] { return linkIsUp(); }, 3000));
                        EXPECT_FALSE(w.control(Control::runButton).enabled);
                    }},
        LeftRunCase{"AnEditWhileTheRunWaitsIsKeptAndAnInvalidMomentNeverRuns",
                    "an edit of the start fields while a run waits is lost; a month of 00 runs every stage as over",
                    [](World& w) {
                        w.settingsFile = settingsBytes(kProgram, localTimeAt(kNoon), true, 2);
                        w.start();
                        w.runFor(1500);
                        EXPECT_EQ(w.boxes().size(), 1u) << "told once that the run waits";
                        ASSERT_TRUE(w.type(Control::startMinuteEdit, "01"));
                        EXPECT_EQ(fileWord(w.settingsFile, 11), 1u) << "the edited moment is kept at once";
                        ASSERT_TRUE(w.type(Control::startMonthEdit, "00"));
                        w.choosePort(0);
                        ASSERT_TRUE(w.click(Control::connectButton));
                        ASSERT_TRUE(w.runUntil([] { return linkIsUp(); }, 3000));
                        w.runFor(2000);
                        EXPECT_TRUE(runActive());
                        EXPECT_TRUE(w.setCommands().empty()) << "no stage from a moment that is not valid";
                        EXPECT_TRUE(w.boxesWithText(kCompleted).empty());
                        EXPECT_EQ(w.settingsFile[1], 0xFF) << "the run keeps its flag";
                        EXPECT_TRUE(w.control(Control::startMonthEdit).visible);
                        ASSERT_TRUE(w.type(Control::startMonthEdit, "01"));
                        w.runFor(1000);
                        ASSERT_FALSE(w.setCommands().empty());
                        EXPECT_EQ(w.setCommands()[0].code(), kA) << "stage A of the moment 12:01";
                        EXPECT_FALSE(w.control(Control::startMonthEdit).visible);
                    }}),
    [](const testing::TestParamInfo<LeftRunCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace world
