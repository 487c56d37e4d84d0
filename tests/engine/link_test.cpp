// The conversation under a run: faults on the line and what the operator
// sees of them, a temperature changed at the thermostat's own panel, and the
// connection attempts.
#include <gtest/gtest.h>

#include "front.h"
#include "run/run.h"
#include "recording/recording.h"
#include "run_checks.h"
#include "scenario.h"

namespace world {
namespace {

// A program of three two-minute stages from noon, running from 11:59:30.
const std::vector<StageSpec> kProgram{{kA, 0, 2}, {kB, 0, 2}, {kC, 0, 2}};

struct FaultCase {
    const char* name;
    std::function<void(Thermostat&, double now)> inject;
    std::function<void(Thermostat&, double now)> heal;  // 5 s later, if any
    BoxReply lostBox;                                   // how the operator treats "Ошибка связи"
    bool lossShown;
    bool runGoesOn;
    const char* otherBox;  // a box the fault brings besides the loss box
};

class LineFaults : public testing::TestWithParam<FaultCase> {};

// The fault comes three seconds before stage 2's start minute; a run that
// goes on sends every stage in its start minute all the same.
TEST_P(LineFaults, AreReportedAndTheRunFollowsTheClock) {
    const FaultCase& c = GetParam();
    World w(startingAt(kNoon - 30));
    w.boxRule = answerBy({{kLostCaption, c.lostBox}});
    w.dialogRule = [] { return DialogReply{}; };
    ASSERT_TRUE(startAndConnect(w, kProgram, kNoon, false));
    ASSERT_TRUE(w.click(Control::runButton));
    ASSERT_TRUE(w.click(Control::recordButton));
    w.runUntilWall(kNoon + 117);

    c.inject(w.thermostat(), w.seconds());
    if (c.heal) w.at(w.nowMs() + 5000, [&] { c.heal(w.thermostat(), w.seconds()); });
    w.runUntilWall(kNoon + 7 * 60);

    const auto lost = w.boxesWithText("Термостат не отвечает на запрос!\n\n\rВозможные причины");
    if (c.lossShown) {
        ASSERT_EQ(lost.size(), 1u);
        EXPECT_EQ(lost[0].caption, kLostCaption);
        EXPECT_EQ(lost[0].closedByProgram, c.runGoesOn) << "the returning link closes the box";
    } else {
        EXPECT_EQ(lost.size(), 0u);
    }
    EXPECT_EQ(w.boxesWithText(kNoAnswer).size(), 0u) << "a lost connection was announced by its own box";
    if (c.otherBox) {
        EXPECT_EQ(w.boxesWithText(c.otherBox).size(), 1u) << c.otherBox;
    }
    EXPECT_EQ(w.boxes().size(), (c.lossShown ? 1u : 0u) + (c.otherBox ? 1u : 0u) + (c.runGoesOn ? 1u : 0u))
        << "and the completion message when the run went on";

    if (c.runGoesOn) {
        EXPECT_TRUE(linkIsUp());
        EXPECT_TRUE(recordingActive());
        EXPECT_EQ(w.overlappingRequests(), 0u);
        EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kProgram, kNoon, kNoon + 6 * 60)), "");
    } else {
        // Given up: the run stops without its message, saved as stopped, and
        // the recording ends.
        EXPECT_EQ(linkState(), linkDown);
        EXPECT_FALSE(runActive());
        EXPECT_EQ(w.settingsFile[1], 0x00);
        EXPECT_FALSE(recordingActive());
        EXPECT_FALSE(w.recordOpen());
        EXPECT_TRUE(w.control(Control::connectButton).visible && w.control(Control::connectButton).enabled);
        EXPECT_FALSE(w.control(Control::runButton).enabled);
        EXPECT_FALSE(w.awake());
        EXPECT_EQ(joined(runFaults(w.setCommands(), kNoon, kProgram, kNoon, kNoon + 2 * 60 + 1)), "");
    }
}

const BoxReply kLeftUp{box::answerOk, 600'000};  // the operator does not come

INSTANTIATE_TEST_SUITE_P(
    Faults, LineFaults,
    testing::Values(
        FaultCase{"ALostReply", [](Thermostat& t, double) { t.dropReplies(1); }, {}, kLeftUp, true, true, nullptr},
        FaultCase{"TwoLostReplies", [](Thermostat& t, double) { t.dropReplies(2); }, {}, kLeftUp, true, true, nullptr},
        FaultCase{"ACorruptedReply", [](Thermostat& t, double) { t.corruptReplies(1); }, {}, kLeftUp, true, true,
                  nullptr},
        FaultCase{"AShortReply", [](Thermostat& t, double) { t.shortenReplies(1, 1); }, {}, kLeftUp, true, true,
                  nullptr},
        FaultCase{"AReplyTooLateForTheRead", [](Thermostat& t, double) { t.delayReplies(1, 0.4); }, {}, kLeftUp,
                  true, true, nullptr},
        FaultCase{"AReplyLateWithinTheRead", [](Thermostat& t, double) { t.delayReplies(3, 0.15); }, {}, kLeftUp,
                  false, true, nullptr},
        FaultCase{"RefusedSetCommands", [](Thermostat& t, double) { t.setRefuse(true); },
                  [](Thermostat& t, double) { t.setRefuse(false); }, kLeftUp, false, true,
                  "Термостат не подтверждает установку температуры 30,0°C"},
        FaultCase{"PowerOffAndOn", [](Thermostat& t, double) { t.setPower(false); },
                  [](Thermostat& t, double) { t.setPower(true); }, kLeftUp, true, true, nullptr},
        FaultCase{"PowerOffAndTheOperatorGivesUp", [](Thermostat& t, double) { t.setPower(false); }, {},
                  BoxReply{box::answerOk, 3000}, true, false, nullptr}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// A temperature changed at the thermostat's panel is put back only while a
// stage runs.
struct PanelCase {
    const char* name;
    std::int64_t changeAt;  // local time of the change
    bool run;
    std::uint16_t putBack;  // 0: nothing is sent
};

class PanelChange : public testing::TestWithParam<PanelCase> {};

TEST_P(PanelChange, IsPutBackOnlyWhileAStageRuns) {
    const PanelCase& c = GetParam();
    World w(startingAt(kNoon - 30));
    ASSERT_TRUE(startAndConnect(w, kProgram, kNoon, false));
    if (c.run) {
        ASSERT_TRUE(w.click(Control::runButton));
    }
    w.runUntilWall(c.changeAt);
    w.runUntil([] { return !requestInFlight(); }, 1000);
    const std::size_t mark = w.wire().size();
    w.thermostat().setFromPanel(2880, w.seconds());  // 15,0
    w.runFor(3000);

    const auto sets = w.setCommands(mark);
    if (c.putBack) {
        ASSERT_FALSE(sets.empty());
        EXPECT_LT(sets[0].atMs - w.nowMs() + 3000, 1500) << "at the next exchange";
        for (const Frame& f : sets) EXPECT_EQ(f.code(), c.putBack);
        EXPECT_EQ(w.thermostat().maintainedCode(), c.putBack);
        EXPECT_EQ(w.control(Control::setpointEdit).text, "30,0");
    } else {
        EXPECT_TRUE(sets.empty());
        EXPECT_EQ(w.thermostat().maintainedCode(), 2880);
        EXPECT_EQ(w.control(Control::setpointEdit).text, "15,0") << "the field shows the thermostat's value";
    }
    EXPECT_EQ(w.boxes().size(), w.boxesWithText(kCompleted).size()) << "a run's set commands are confirmed quietly";
}

INSTANTIATE_TEST_SUITE_P(Panel, PanelChange,
                         testing::Values(PanelCase{"DuringAStage", kNoon + 150, true, kB},
                                         PanelCase{"BeforeTheFirstStage", kNoon - 15, true, 0},
                                         PanelCase{"WithNoRun", kNoon + 150, false, 0},
                                         PanelCase{"AfterTheRunCompleted", kNoon + 6 * 60 + 30, true, 0}),
                         [](const testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

// "Установить" while connected and idle: the typed temperature goes with the
// next free tick, one command at a time, confirmed in a box.
struct SetCase {
    const char* name;
    std::function<void(World&)> press;
    std::vector<std::string> frames;  // the set commands sent, as bytes
    std::size_t confirmations;
};

std::string hex(const Bytes& bytes) { return hexBytes(bytes); }

class SetButton : public testing::TestWithParam<SetCase> {};

TEST_P(SetButton, SendsTheTypedTemperatureOnce) {
    const SetCase& c = GetParam();
    World w;
    ASSERT_TRUE(startAndConnect(w, kProgram, kNoon + 3600, false));
    w.runUntil([] { return !requestInFlight(); }, 1000);
    c.press(w);
    w.runFor(3000);
    std::vector<std::string> sent;
    for (const Frame& f : w.setCommands()) sent.push_back(hex(f.bytes));
    EXPECT_EQ(sent, c.frames);
    EXPECT_EQ(w.boxesWithText(kConfirmed).size(), c.confirmations);
    EXPECT_EQ(w.overlappingRequests(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Set, SetButton,
    testing::Values(SetCase{"TwoPressesBeforeATickSendTheSecondValue",
                            [](World& w) {
                                w.type(Control::setpointEdit, "30");
                                ASSERT_TRUE(w.click(Control::setButton));
                                w.type(Control::setpointEdit, "35");
                                ASSERT_TRUE(w.click(Control::setButton));
                            },
                            {"5A F1 08 0C AF"}, 1},
                    SetCase{"APressWhileAPollIsAnsweredLateWaitsForItsReply",
                            [](World& w) {
                                w.thermostat().delayReplies(1, 0.15);
                                w.runUntil([] { return requestInFlight(); }, 1000);
                                w.type(Control::setpointEdit, "30");
                                ASSERT_TRUE(w.click(Control::setButton));
                            },
                            {"5A F1 D6 0B 76"}, 1},
                    // The run waits for its first stage: its target of none
                    // must not replace the typed value (code 0 is -273,0).
                    SetCase{"APressThenTheRunStartedInTheSameExchange",
                            [](World& w) {
                                w.type(Control::setpointEdit, "30");
                                ASSERT_TRUE(w.click(Control::setButton));
                                ASSERT_TRUE(w.click(Control::runButton));
                            },
                            {"5A F1 D6 0B 76"}, 0},
                    SetCase{"APressThenAListChangeWhileTheRunWaits",
                            [](World& w) {
                                ASSERT_TRUE(w.click(Control::runButton));
                                w.runFor(1000);
                                w.runUntil([] { return !requestInFlight(); }, 1000);
                                w.type(Control::setpointEdit, "30");
                                ASSERT_TRUE(w.click(Control::setButton));
                                ASSERT_TRUE(w.addStage("60,0", 0, 5));
                            },
                            {"5A F1 D6 0B 76"}, 0},
                    SetCase{"NoValidTemperatureNoCommand",
                            [](World& w) {
                                w.type(Control::setpointEdit, "-");
                                EXPECT_FALSE(w.click(Control::setButton)) << "disabled";
                            },
                            {}, 0}),
    [](const testing::TestParamInfo<SetCase>& info) { return std::string(info.param.name); });

// Connection attempts: the first one since start-up passes silently, a later
// one reports that the thermostat does not answer.
struct ConnectCase {
    const char* name;
    bool startStored;
    std::uint8_t portIndex;  // 2: a port no longer listed
    bool thermostatOn;
    bool startUpPoll;  // the start-up attempt sends its poll
    bool linkAtStartUp;
    // What the first and the second press of "Подключиться" then show (null:
    // nothing).
    const char* firstPress;
    const char* secondPress;
};

class ConnectionAttempts : public testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectionAttempts, ReportOnlyWhatTheOperatorAskedFor) {
    const ConnectCase& c = GetParam();
    World w;
    w.settingsFile = settingsBytes({{kA, 1, 0}}, localTimeAt(kNoon), false, c.portIndex);
    if (!c.startStored) std::fill(w.settingsFile.begin() + 3, w.settingsFile.begin() + 13, 0);
    w.thermostat().setPower(c.thermostatOn);
    w.start();
    w.runFor(3000);
    EXPECT_EQ(!w.wire().empty(), c.startUpPoll);
    EXPECT_EQ(w.boxes().size(), 0u) << "the start-up attempt passes silently";
    ASSERT_EQ(linkIsUp(), c.linkAtStartUp);
    if (c.linkAtStartUp) {
        EXPECT_EQ(measuredTenths(), 250);
        EXPECT_EQ(w.control(Control::setpointEdit).text, "25,5") << "what the thermostat maintains";
        EXPECT_FALSE(w.control(Control::connectButton).visible);
        EXPECT_FALSE(w.control(Control::portCombo).visible);
        EXPECT_TRUE(w.control(Control::recordButton).enabled);
        return;
    }
    EXPECT_TRUE(w.control(Control::connectButton).enabled && w.control(Control::connectButton).visible);
    EXPECT_TRUE(w.control(Control::portCombo).enabled);

    for (const char* expected : {c.firstPress, c.secondPress}) {
        const std::size_t before = w.boxes().size();
        ASSERT_TRUE(w.click(Control::connectButton));
        w.runFor(3000);
        EXPECT_FALSE(linkIsUp());
        if (expected) {
            ASSERT_EQ(w.boxes().size(), before + 1);
            EXPECT_NE(w.boxes().back().text.find(expected), std::string::npos) << w.boxes().back().text;
            EXPECT_EQ(w.boxes().back().caption, "") << "the system's own caption";
        } else {
            EXPECT_EQ(w.boxes().size(), before);
        }
        EXPECT_TRUE(w.control(Control::connectButton).enabled && w.control(Control::connectButton).visible);
    }
}

constexpr char kCannotOpen[] = "Не могу открыть порт COM100.\n\rПорт отсутствует или\n\rзанят другим приложением.";

INSTANTIATE_TEST_SUITE_P(
    Attempts, ConnectionAttempts,
    testing::Values(ConnectCase{"StoredStartConnectsByItself", true, 0, true, true, true, nullptr, nullptr},
                    ConnectCase{"ThermostatOffSilentThenNoAnswer", true, 0, false, true, false, kNoAnswer, kNoAnswer},
                    ConnectCase{"NoStoredStartTheFirstPressIsSilent", false, 0, false, false, false, nullptr,
                                kNoAnswer},
                    ConnectCase{"NothingOnThatPort", true, 1, true, true, false, kNoAnswer, kNoAnswer},
                    ConnectCase{"PortNoLongerListed", true, 2, true, false, false, kCannotOpen, kCannotOpen}),
    [](const testing::TestParamInfo<ConnectCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace world
