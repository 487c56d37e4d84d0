// A run across kills and restarts, and across clock changes: the settings
// file a killed program leaves, the stage a restart resumes, and a run that
// never goes back to a stage that has ended.
#include <gtest/gtest.h>

#include "front.h"
#include "run/run.h"
#include "run_checks.h"
#include "scenario.h"

namespace world {
namespace {

// The codes of the set commands, each run of equal ones counted once.
std::vector<std::uint16_t> sentSequence(const std::vector<Frame>& sets) {
    std::vector<std::uint16_t> codes;
    for (const Frame& f : sets)
        if (codes.empty() || codes.back() != f.code()) codes.push_back(f.code());
    return codes;
}

// Four short stages from noon: 12:00, 12:02, 12:03, 12:06, ending 12:08.
const std::vector<StageSpec> kShort{{kA, 0, 2}, {kB, 0, 1}, {kC, 0, 3}, {kD, 0, 2}};

struct KillCase {
    const char* name;
    std::int64_t killAt;  // local time of the kill
    std::int64_t downFor;  // seconds until the program starts again
    bool insideStopQuestion;  // the operator's stop question is up at the kill
};

class KillAndRestart : public testing::TestWithParam<KillCase> {};

TEST_P(KillAndRestart, ResumesFromTheSavedBytesAtTheStageOfTheClock) {
    const KillCase& c = GetParam();
    World w(startingAt(kNoon - 50));
    w.boxRule = answerBy({{kStopQuestion, BoxReply{box::answerCancel, 3'600'000}}});
    ASSERT_TRUE(startAndConnect(w, kShort, kNoon, false));
    ASSERT_TRUE(w.click(Control::runButton));
    if (c.insideStopQuestion) {
        w.runUntilWall(c.killAt - 20);
        w.killAt(w.nowMs() + 20'000);
        ASSERT_TRUE(w.click(Control::runButton));  // returns when the kill ends the box's loop
        EXPECT_EQ(w.kills(), 1u);
    } else {
        w.runUntilWall(c.killAt);
        w.kill();
    }
    ASSERT_FALSE(w.running());

    // What the killed program left: the run and its start moment.
    const std::vector<std::uint8_t> left = w.settingsFile;
    EXPECT_EQ(left[1], 0xFF);
    EXPECT_EQ(left[2], kShort.size());
    const unsigned start[] = {30, 1, 1, 12, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(fileWord(left, 3 + 2 * i), start[i]) << "start field " << i;
    EXPECT_EQ(fileWord(left, 536 + 4 * 2), kC);

    const std::vector<std::int64_t> starts = stageStarts(kNoon, kShort);
    w.runFor(c.downFor * 1000);
    const std::size_t restartFrames = w.wire().size();
    w.start();
    const std::int64_t restartWall = w.wallNow();
    ASSERT_TRUE(w.runUntil([] { return linkIsUp(); }, 3000));
    ASSERT_TRUE(runActive()) << "the program's end is still ahead";
    EXPECT_FALSE(w.control(Control::startMinuteEdit).visible) << "the running view";
    EXPECT_TRUE(w.control(Control::runButton).enabled);
    EXPECT_EQ(w.control(Control::runButton).text, "Завершить управление термостатом");
    EXPECT_TRUE(w.awake());

    // The running stage's temperature goes out at the first tick.
    int running = -1;
    for (std::size_t k = 0; k < kShort.size(); ++k)
        if (starts[k] <= restartWall && restartWall < starts[k + 1]) running = static_cast<int>(k);
    const auto sets = w.setCommands(restartFrames);
    w.runFor(1500);
    if (running >= 0) {
        const auto afterRestart = w.setCommands(restartFrames);
        ASSERT_FALSE(afterRestart.empty()) << "nothing sent after the restart";
        EXPECT_EQ(afterRestart[0].code(), kShort[running].code);
        EXPECT_EQ(w.selectedRow(), running);
    }

    w.runUntilWall(starts.back() + 30);
    const auto excused = [&](std::size_t k) { return starts[k] + 60 > c.killAt && starts[k] <= restartWall + 1; };
    EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kShort, kNoon, starts.back(), excused)), "");
    EXPECT_EQ(w.boxesWithText(kCompleted).size(), 1u);
    EXPECT_FALSE(runActive());
    EXPECT_EQ(w.settingsFile[1], 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Kills, KillAndRestart,
    testing::Values(KillCase{"BeforeTheStart", kNoon - 20, 6, false},
                    KillCase{"InTheFirstMinute", kNoon + 11, 6, false},
                    KillCase{"InTheSecondMinute", kNoon + 71, 6, false},
                    KillCase{"InTheOneMinuteStage", kNoon + 2 * 60 + 11, 6, false},
                    KillCase{"AtTheEndOfAMinute", kNoon + 3 * 60 + 58, 6, false},
                    KillCase{"InTheLongStage", kNoon + 4 * 60 + 11, 6, false},
                    KillCase{"InTheLastStage", kNoon + 6 * 60 + 11, 6, false},
                    KillCase{"InTheLastMinute", kNoon + 7 * 60 + 11, 6, false},
                    KillCase{"DownOverTwoStageStarts", kNoon + 71, 4 * 60, false},
                    KillCase{"WhileTheStopQuestionIsUp", kNoon + 2 * 60 + 30, 6, true}),
    [](const testing::TestParamInfo<KillCase>& info) { return std::string(info.param.name); });

TEST(KillAndRestart, AfterTheProgramsEndTheRunIsNotResumed) {
    World w(startingAt(kNoon - 50));
    ASSERT_TRUE(startAndConnect(w, kShort, kNoon, false));
    ASSERT_TRUE(w.click(Control::runButton));
    w.runUntilWall(kNoon + 5 * 60);
    w.kill();
    w.runFor(3600'000);
    const std::size_t before = w.wire().size();
    w.start();
    ASSERT_TRUE(w.runUntil([] { return linkIsUp(); }, 3000));
    w.runFor(5000);
    EXPECT_FALSE(runActive());
    EXPECT_TRUE(w.setCommands(before).empty());
    EXPECT_FALSE(w.control(Control::runButton).enabled);
    EXPECT_FALSE(w.awake());
    EXPECT_EQ(w.boxes().size(), 0u);
}

// Clock changes during a run: A 12:00-12:10, B 12:10-13:10, C 13:10-13:20,
// D 13:20-13:30.
const std::vector<StageSpec> kLong{{kA, 0, 10}, {kB, 1, 0}, {kC, 0, 10}, {kD, 0, 10}};

// How the clock changes: set (universal time too), through a change of
// time zone or daylight saving time (local time alone), or the computer
// sleeps.
enum class Change { set, zone, sleep };

struct JumpCase {
    const char* name;
    std::int64_t at;  // local time of the change
    std::int64_t by;  // seconds the clock jumps, or the computer sleeps
    Change how;
    std::vector<std::uint16_t> sequence;  // the temperatures sent, in order
    std::uint16_t sentAtOnce;             // sent within a second of the change (0: nothing new)
    std::function<void(World&)> meanwhile;  // after the change
    const char* fault;  // the fault the case guards against, if it names one
};

class ClockChanges : public testing::TestWithParam<JumpCase> {};

TEST_P(ClockChanges, BringBackAnEndedStageOnlyWhenTheClockIsCorrected) {
    const JumpCase& c = GetParam();
    World w(startingAt(kNoon - 20));
    ASSERT_TRUE(startAndConnect(w, kLong, kNoon, false));
    ASSERT_TRUE(w.click(Control::runButton));
    w.runUntilWall(c.at);
    w.runUntil([] { return !requestInFlight(); }, 1000);
    const std::size_t mark = w.wire().size();
    if (c.how == Change::sleep) w.sleep(c.by * 1000);
    else w.jumpClock(c.by, c.how == Change::set ? World::Jump::set : World::Jump::zone);
    const std::int64_t changed = w.nowMs();
    if (c.meanwhile) c.meanwhile(w);

    w.runUntil([] { return !runActive(); }, 4 * 3600'000);
    w.runFor(60'000);
    EXPECT_EQ(sentSequence(w.setCommands()), c.sequence);
    const auto after = w.setCommands(mark);
    if (c.sentAtOnce) {
        ASSERT_FALSE(after.empty());
        EXPECT_EQ(after[0].code(), c.sentAtOnce);
        EXPECT_LE(after[0].atMs - changed, 1000);
    } else if (!after.empty()) {
        EXPECT_GE(after[0].atMs - changed, 1000) << "nothing new at the change";
    }
    const auto completed = w.boxesWithText(kCompleted);
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_TRUE(w.setCommands().back().atMs <= completed[0].shownMs) << "nothing sent after the completion";
    EXPECT_EQ(w.selectedRow(), -1) << "no row stays highlighted once the run is over";
}

const std::int64_t k1205 = kNoon + 5 * 60;

INSTANTIATE_TEST_SUITE_P(
    Jumps, ClockChanges,
    testing::Values(
        JumpCase{"ForwardOverAWholeStage", k1205 + 20, 70 * 60, Change::set, {kA, kC, kD}, kC, {}, nullptr},
        JumpCase{"ForwardPastTheEndAfterTheLastStageBegan", kNoon + 85 * 60, 10 * 60, Change::set, {kA, kB, kC, kD}, 0,
                 {}, nullptr},
        JumpCase{"FallBackDuringALongStage", kNoon + 30 * 60, -3600, Change::zone, {kA, kB, kC, kD}, 0, {}, nullptr},
        JumpCase{"ZoneBackFiveMinutesAfterAStageBegan", kNoon + 71 * 60, -5 * 60, Change::zone, {kA, kB, kC, kD}, 0,
                 {}, nullptr},
        JumpCase{"SetBackFiveMinutesAfterAStageBegan", kNoon + 71 * 60, -5 * 60, Change::set,
                 {kA, kB, kC, kB, kC, kD}, kB, {}, "a corrected clock leaves the run in a stage of the future"},
        JumpCase{"AMistakenStepForwardCorrectedAMinuteLater", k1205 + 20, 70 * 60, Change::set,
                 {kA, kC, kA, kB, kC, kD}, kC,
                 [](World& w) {
                     w.runFor(60'000);
                     const std::size_t mark = w.wire().size();
                     w.jumpClock(-70 * 60, World::Jump::set);
                     w.runFor(1000);
                     const auto sets = w.setCommands(mark);
                     ASSERT_FALSE(sets.empty());
                     EXPECT_EQ(sets[0].code(), kA) << "the stage of the corrected minute, at once";
                     EXPECT_EQ(w.selectedRow(), 0);
                 },
                 "a run stays in a later stage until the clock catches up with a mistaken step"},
        JumpCase{"ACorrectionCancelsAPendingCompletion", kNoon + 75 * 60, 20 * 60, Change::set,
                 {kA, kB, kC, kD, kC, kD}, kD,
                 [](World& w) {
                     // The last stage went out; the completion waits for the next tick.
                     ASSERT_TRUE(w.runUntil([&w] { return w.setCommands().back().code() == kD; }, 2000));
                     w.jumpClock(-20 * 60, World::Jump::set);
                     w.runFor(2000);
                     EXPECT_TRUE(runActive()) << "stage C of 13:15 runs again";
                     EXPECT_EQ(w.boxesWithText(kCompleted).size(), 0u);
                 },
                 "a completion still pending survives a correction of the clock"},
        JumpCase{"SleepOverAStageStart", k1205, 10 * 60, Change::sleep, {kA, kB, kC, kD}, kB, {}, nullptr},
        JumpCase{"SpringForwardKeepsTheMinuteNumber", k1205 + 30, 3600, Change::zone, {kA, kB, kC, kD}, kB, {},
                 "a catch-up after a jump compares whole minutes, not minute numbers"},
        JumpCase{"FallBackWithALinkHiccup", kNoon + 30 * 60, -3600, Change::zone, {kA, kB, kC, kD}, 0,
                 [](World& w) {
                     w.boxRule = answerBy({{kLostCaption, BoxReply{box::answerOk, 600'000}}});
                     w.runFor(10 * 60'000);
                     w.thermostat().dropReplies(2);
                 },
                 "a clock set back never brings back an ended stage after a lost link"},
        JumpCase{"FallBackAndAListEdit", kNoon + 30 * 60, -3600, Change::zone, {kA, kB, kC, kD, kE}, 0,
                 [](World& w) {
                     w.runFor(10 * 60'000);
                     w.addStage("60,0", 0, 5);
                 },
                 "a clock set back never brings back an ended stage after a list edit"},
        JumpCase{"SleepThroughTheLastStage", kNoon + 75 * 60, 20 * 60, Change::sleep, {kA, kB, kC, kD}, kD, {},
                 "a run completed by the clock first sends the last stage"}),
    [](const testing::TestParamInfo<JumpCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace world
