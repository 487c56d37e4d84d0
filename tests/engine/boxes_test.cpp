// The operator's boxes answered either way, each left up for a minute while
// the timers and the replies go on: a stage boundary falls inside the wait.
#include <gtest/gtest.h>

#include "front.h"
#include "run/run.h"
#include "recording/recording.h"
#include "run_checks.h"
#include "scenario.h"

namespace world {
namespace {

// A 12:00-12:02, B 12:02-12:04, C 12:04-12:06.
const std::vector<StageSpec> kProgram{{kA, 0, 2}, {kB, 0, 2}, {kC, 0, 2}};

struct BoxCase {
    const char* name;
    std::int64_t at;  // local time of the operator's action
    std::function<void(World&)> act;
    const char* box;  // part of the box's text
    int answer;
    std::function<void(World&)> check;  // once the box is answered
};

class BoxesAnsweredLater : public testing::TestWithParam<BoxCase> {};

TEST_P(BoxesAnsweredLater, LetTheRunGoOnWhileTheyWait) {
    const BoxCase& c = GetParam();
    World w(startingAt(kNoon - 20));
    w.boxRule = answerBy({{c.box, BoxReply{c.answer, 60'000}}});
    w.dialogRule = [] { return DialogReply{}; };
    ASSERT_TRUE(startAndConnect(w, kProgram, kNoon, false));
    ASSERT_TRUE(w.click(Control::runButton));
    ASSERT_TRUE(w.click(Control::recordButton));
    w.runUntilWall(c.at);
    const std::size_t linesBefore = w.recordLines().size();
    const std::size_t framesBefore = w.wire().size();
    const std::int64_t shown = w.nowMs();
    c.act(w);

    const auto asked = w.boxesWithText(c.box);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].endedMs - asked[0].shownMs, 60'000) << "answered by the operator, a minute later";
    EXPECT_EQ(asked[0].answer, c.answer);
    // The wait went on as time does: polls, record lines, the stage boundary.
    EXPECT_GE(w.wire().size() - framesBefore, 110u);
    EXPECT_GE(w.recordLines().size() - linesBefore, 59u);
    EXPECT_EQ(w.nowMs() - shown, 60'000);
    c.check(w);
}

void stopQuestion(World& w) { ASSERT_TRUE(w.click(Control::runButton)); }

void deleteThirdStage(World& w) {
    w.clickRow(2);
    w.pressDelete();
}

void clearTheList(World& w) { ASSERT_TRUE(w.click(Control::clearListButton)); }

void stillRunning(World& w) {
    EXPECT_TRUE(runActive());
    EXPECT_EQ(w.settingsFile[1], 0xFF);
    w.runUntilWall(kNoon + 7 * 60);
    EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kProgram, kNoon, kNoon + 6 * 60)), "");
    EXPECT_EQ(w.boxesWithText(kCompleted).size(), 1u);
}

void stoppedWithoutMessage(World& w) {
    EXPECT_FALSE(runActive());
    EXPECT_EQ(w.settingsFile[1], 0x00);
    EXPECT_TRUE(w.control(Control::setpointEdit).enabled);
    EXPECT_TRUE(w.control(Control::startMinuteEdit).visible);
    EXPECT_EQ(w.awake(), recordingActive());
    const std::size_t frames = w.wire().size();
    w.runUntilWall(kNoon + 7 * 60);
    EXPECT_TRUE(w.setCommands(frames).empty());
    EXPECT_EQ(w.boxesWithText(kCompleted).size(), 0u);
    // Stage B began while the question waited.
    EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kProgram, kNoon, kNoon + 2 * 60 + 1)), "");
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, BoxesAnsweredLater,
    testing::Values(
        BoxCase{"StopQuestionCancelled", kNoon + 90, stopQuestion, kStopQuestion, box::answerCancel,
                [](World& w) {
                    EXPECT_EQ(w.focused(), Control::stageList);
                    stillRunning(w);
                }},
        BoxCase{"StopQuestionConfirmed", kNoon + 90, stopQuestion, kStopQuestion, box::answerOk,
                stoppedWithoutMessage},
        BoxCase{"StopQuestionOpenPastTheProgramsEnd", kNoon + 5 * 60 + 30, stopQuestion, kStopQuestion,
                box::answerOk,
                [](World& w) {
                    // The run completed inside the wait; the answer finds it
                    // over and does nothing more.
                    const auto completed = w.boxesWithText(kCompleted);
                    ASSERT_EQ(completed.size(), 1u);
                    EXPECT_EQ(completed[0].shownMs / 1000 + kNoon - 20, kNoon + 6 * 60);
                    EXPECT_FALSE(runActive());
                    EXPECT_EQ(w.settingsFile[1], 0x00);
                    EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kProgram, kNoon, kNoon + 6 * 60)), "");
                }},
        BoxCase{"DeleteConfirmedWhileRunning", kNoon + 90, deleteThirdStage, "Этап №3 будет удалён", box::answerOk,
                [](World& w) {
                    EXPECT_EQ(w.rows().size(), 2u);
                    EXPECT_EQ(w.settingsFile[2], 2);
                    w.runUntilWall(kNoon + 7 * 60);
                    const std::vector<StageSpec> shorter(kProgram.begin(), kProgram.begin() + 2);
                    EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, shorter, kNoon, kNoon + 4 * 60)), "");
                    const auto completed = w.boxesWithText(kCompleted);
                    ASSERT_EQ(completed.size(), 1u);
                    EXPECT_EQ(completed[0].shownMs / 1000 + kNoon - 20, kNoon + 4 * 60);
                }},
        BoxCase{"DeleteCancelledWhileRunning", kNoon + 90, deleteThirdStage, "Этап №3 будет удалён",
                box::answerCancel,
                [](World& w) {
                    EXPECT_EQ(w.rows().size(), 3u);
                    stillRunning(w);
                }},
        BoxCase{"ClearConfirmedWhileRunning", kNoon + 90, clearTheList, "Очистка списка этапов повлечёт",
                box::answerOk,
                [](World& w) {
                    EXPECT_TRUE(w.rows().empty());
                    EXPECT_EQ(w.settingsFile[2], 0);
                    stoppedWithoutMessage(w);
                }},
        BoxCase{"ClearCancelledWhileRunning", kNoon + 90, clearTheList, "Очистка списка этапов повлечёт",
                box::answerCancel, stillRunning},
        BoxCase{"CloseQuestionNo", kNoon + 90, [](World& w) { EXPECT_FALSE(w.close()); }, kCloseQuestion,
                box::answerNo, stillRunning},
        BoxCase{"CloseQuestionYes", kNoon + 90, [](World& w) { EXPECT_TRUE(w.close()); }, kCloseQuestion,
                box::answerYes,
                [](World& w) {
                    EXPECT_FALSE(w.running());
                    EXPECT_EQ(w.settingsFile[1], 0xFF) << "the run is kept for the next start";
                    EXPECT_EQ(fileWord(w.settingsFile, 9), 12u);
                    EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kProgram, kNoon, kNoon + 2 * 60 + 1)), "");
                }},
        BoxCase{"RecordStopConfirmed", kNoon + 90, [](World& w) { ASSERT_TRUE(w.click(Control::recordButton)); },
                kRecordStop, box::answerOk,
                [](World& w) {
                    EXPECT_FALSE(recordingActive());
                    EXPECT_FALSE(w.recordOpen());
                    EXPECT_EQ(w.control(Control::recordButton).text, "Запись в файл");
                    stillRunning(w);
                }},
        BoxCase{"RecordStopCancelled", kNoon + 90, [](World& w) { ASSERT_TRUE(w.click(Control::recordButton)); },
                kRecordStop, box::answerCancel,
                [](World& w) {
                    EXPECT_TRUE(recordingActive());
                    EXPECT_EQ(w.control(Control::recordButton).text, "Закончить запись");
                    stillRunning(w);
                }}),
    [](const testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

// With no run, a confirmed set command is shown, and the poll goes on under
// the box.
TEST(ManualSetCommand, IsConfirmedInABoxWhileThePollGoesOn) {
    World w;
    w.boxRule = answerBy({{kConfirmed, BoxReply{box::answerOk, 10'000}}});
    ASSERT_TRUE(startAndConnect(w, kProgram, kNoon + 3600, false));
    ASSERT_TRUE(w.type(Control::setpointEdit, "31.5"));
    ASSERT_TRUE(w.click(Control::setButton));
    w.runFor(12'000);
    const auto sets = w.setCommands();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].code(), 3045);
    EXPECT_EQ(w.thermostat().maintainedCode(), 3045);
    const auto confirmed = w.boxesWithText(kConfirmed);
    ASSERT_EQ(confirmed.size(), 1u);
    EXPECT_EQ(confirmed[0].caption, "Установка температуры");
    EXPECT_GE(w.wire().size(), 20u);
}

}  // namespace
}  // namespace world
