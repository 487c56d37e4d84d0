// Every minute of a program run, from the operator's press of the run button
// to the completion message: what goes on the wire, when, and what the
// controls, the boxes and the settings file show.
#include <gtest/gtest.h>

#include "front.h"
#include "run/run.h"
#include "run_checks.h"
#include "scenario.h"

namespace world {
namespace {

struct ProgramCase {
    const char* name;
    std::int64_t now;    // the clock when the program starts
    std::int64_t start;  // the program's start moment
    std::vector<StageSpec> stages;
};

class EveryMinute : public testing::TestWithParam<ProgramCase> {};

TEST_P(EveryMinute, EachStageIsSentInItsStartMinuteAndTheRunCompletes) {
    const ProgramCase& c = GetParam();
    World w(startingAt(c.now));
    ASSERT_TRUE(startAndConnect(w, c.stages, c.start, false)) << "the stored start moment connects by itself";
    EXPECT_EQ(w.control(Control::runButton).text, "Начать работу с момента >>");
    ASSERT_TRUE(w.click(Control::runButton));
    EXPECT_EQ(w.settingsFile[1], 0xFF) << "a started run is in the file at once";
    const LocalTime start = localTimeAt(c.start);
    const int moment[] = {start.year - 2000, start.month, start.day, start.hour, start.minute};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(fileWord(w.settingsFile, 3 + 2 * i), static_cast<unsigned>(moment[i]));
    EXPECT_TRUE(w.awake());
    EXPECT_FALSE(w.control(Control::startMinuteEdit).visible);
    EXPECT_EQ(w.control(Control::runButton).text, "Завершить управление термостатом");
    w.runFor(600);
    EXPECT_EQ(w.control(Control::runButton).tip, " Завершить автоматическое управление термостатом ");

    const std::vector<std::int64_t> starts = stageStarts(c.start, c.stages);
    // Minute by minute, the highlight follows the stage of the clock.
    while (w.wallNow() < starts.back() - 1) {
        w.runFor(60'000);
        const std::int64_t now = w.wallNow();
        int expected = -1;
        for (std::size_t k = 0; k < c.stages.size(); ++k)
            if (starts[k] <= now && now < starts[k + 1]) expected = static_cast<int>(k);
        if (expected < 0 || now - starts[expected] < 1) continue;  // the boundary tick may be ahead
        ASSERT_TRUE(runActive()) << wallText(now);
        EXPECT_EQ(w.selectedRow(), expected) << wallText(now);
        EXPECT_TRUE(setpointLocked());
        EXPECT_FALSE(w.control(Control::setpointEdit).enabled);
    }
    w.runUntilWall(starts.back() + 90);

    EXPECT_EQ(joined(runFaults(w.setCommands(), c.start, c.stages, c.now, starts.back())), "");
    const auto completed = w.boxesWithText(kCompleted);
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_EQ(completed[0].shownMs / 1000 + c.now, starts.back()) << "in the end minute's first tick";
    EXPECT_EQ(completed[0].caption, "Управление термостатом КРМ-Д");
    // The tick that completes the run sends nothing; the next one polls.
    std::size_t inTheTick = 0, inTheNext = 0;
    for (const Frame& f : w.wire()) {
        inTheTick += f.atMs == completed[0].shownMs;
        inTheNext += f.atMs == completed[0].shownMs + 500;
    }
    EXPECT_EQ(inTheTick, 0u);
    EXPECT_EQ(inTheNext, 1u);
    EXPECT_EQ(w.control(Control::runButton).text, "Начать работу с момента >>");
    EXPECT_EQ(w.control(Control::runButton).tip, " Начать автоматическое управление термостатом по заданному алгоритму ");
    EXPECT_EQ(w.overlappingRequests(), 0u);
    EXPECT_FALSE(runActive());
    EXPECT_EQ(w.settingsFile[1], 0x00) << "a completed run is saved as stopped";
    EXPECT_FALSE(w.awake());
    EXPECT_TRUE(w.control(Control::startMinuteEdit).visible);
    EXPECT_TRUE(w.control(Control::setpointEdit).enabled);
    EXPECT_FALSE(w.control(Control::runButton).enabled) << "the program lies in the past";
    EXPECT_EQ(w.selectedRow(), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, EveryMinute,
    testing::Values(
        ProgramCase{"WaitsForItsStart", kNoon - 150, kNoon, {{kA, 0, 1}, {kB, 0, 2}, {kC, 0, 1}}},
        ProgramCase{"StartedInTheMiddleOfTheSecondStage",
                    kNoon + 90,
                    kNoon,
                    {{kA, 0, 1}, {kB, 0, 3}, {kC, 0, 1}, {kD, 0, 2}}},
        ProgramCase{"TheSameTemperatureTwiceInARow", kNoon - 20, kNoon, {{kA, 0, 2}, {kA, 0, 1}, {kE, 0, 1}}},
        ProgramCase{"AcrossMidnightAndTheYearsEnd",
                    wallSeconds(2030, 12, 31, 23, 57),
                    wallSeconds(2030, 12, 31, 23, 58),
                    {{kA, 0, 1}, {kB, 1, 0}, {kC, 0, 3}}},
        // Joined an hour before the end of a 25-hour stage that ends
        // across 29 February.
        ProgramCase{"AcrossALeapDay",
                    wallSeconds(2032, 2, 29, 23, 0),
                    wallSeconds(2032, 2, 28, 23, 1),
                    {{kD, 25, 0}, {kE, 0, 1}}},
        // Joined ten minutes before the end of the longest hold.
        ProgramCase{"ALongHoldOfTheLongestKind",
                    wallSeconds(2031, 4, 3, 3, 50),
                    wallSeconds(2031, 3, 30, 0, 1),
                    {{kB, 99, 59}, {kA, 0, 1}}}),
    [](const testing::TestParamInfo<ProgramCase>& info) { return std::string(info.param.name); });

// The list changed during a run: the run goes on at the stage of the clock
// in the changed program and sends its temperature at the next tick, or ends
// with the completion message when the changed program is over. Nothing that
// has ended goes out again.
struct ListChangeCase {
    const char* name;
    std::int64_t at;  // when the list changes
    std::function<void(World&)> change;
    std::vector<std::uint16_t> sent;  // the temperatures sent from the change on
    int selectedAfter;
    bool completes = false;
};

class ListChangesDuringARun : public testing::TestWithParam<ListChangeCase> {};

TEST_P(ListChangesDuringARun, ResynchroniseAtOnce) {
    const ListChangeCase& c = GetParam();
    World w(startingAt(kNoon - 20));
    w.boxRule = answerBy({{"будет удалён", BoxReply{box::answerOk, 0}}});
    ASSERT_TRUE(startAndConnect(w, {{kA, 0, 2}, {kB, 0, 2}, {kC, 0, 2}}, kNoon, false));
    ASSERT_TRUE(w.click(Control::runButton));
    w.runUntilWall(c.at);
    w.runUntil([] { return !requestInFlight(); }, 1000);
    const std::size_t mark = w.wire().size();
    c.change(w);
    w.runFor(1000);
    std::vector<std::uint16_t> sent;
    for (const Frame& f : w.setCommands(mark)) sent.push_back(f.code());
    EXPECT_EQ(sent, c.sent);
    EXPECT_EQ(runActive(), !c.completes);
    EXPECT_EQ(w.selectedRow(), c.selectedAfter);
    EXPECT_EQ(w.boxesWithText(kCompleted).size(), c.completes ? 1u : 0u);
}

// A 12:00-12:02, B 12:02-12:04, C 12:04-12:06.
void deleteRow(World& w, int row) {
    w.clickRow(row);
    w.pressDelete();
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ListChangesDuringARun,
    testing::Values(ListChangeCase{"DeleteTheRunningStage", kNoon + 70, [](World& w) { deleteRow(w, 0); }, {kB}, 0},
                    ListChangeCase{"EditTheRunningStagesTemperature", kNoon + 70,
                                   [](World& w) {
                                       w.doubleClickRow(0);
                                       w.type(Control::stageTempEdit, "42,5");
                                       ASSERT_TRUE(w.click(Control::addStageButton));
                                   },
                                   {3155}, 0},
                    ListChangeCase{"AppendAStage", kNoon + 70, [](World& w) { ASSERT_TRUE(w.addStage("60,0", 0, 5)); },
                                   {kA}, 0},
                    // The bath keeps C's temperature: B, which has ended, is not sent again.
                    ListChangeCase{"DeleteTheRunningLastStage", kNoon + 5 * 60 + 10, [](World& w) { deleteRow(w, 2); },
                                   {}, -1, true},
                    // B and C move two minutes earlier: the program is over, and C was sent.
                    ListChangeCase{"DeleteAStageBeforeTheRunningLastOne", kNoon + 5 * 60 + 10,
                                   [](World& w) { deleteRow(w, 0); }, {}, -1, true},
                    // Asleep through C: C goes out and the completion waits for the next
                    // tick; a stage appended over the present minute runs instead.
                    ListChangeCase{"AppendOverAPendingCompletion", kNoon + 3 * 60,
                                   [](World& w) {
                                       w.sleep(4 * 60'000);
                                       ASSERT_TRUE(w.runUntil([&w] { return w.setCommands().back().code() == kC; },
                                                              1000));
                                       ASSERT_TRUE(w.addStage("60,0", 0, 5));
                                   },
                                   {kC, kE}, 3}),
    [](const testing::TestParamInfo<ListChangeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace world
