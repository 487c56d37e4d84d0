// The recording's lines: one at the first tick after the dialog, then one
// each interval on the grid of that tick, each the last measured value; and
// what a lost link, a link given up and a failed write do to them.
#include <gtest/gtest.h>

#include "front.h"
#include "recording/recording.h"
#include "scenario.h"

namespace world {
namespace {

constexpr char kWriteFailed[] =
    "Не удалось записать значение температуры в файл\n\n\rC:\\data\\bath.txt\n\n\r"
    "Запись значения температуры в файл прекращена.";

// A bath that stays where it is put.
Options steadyBath(std::uint32_t bootTicks = 5'000'000) {
    Options options;
    options.thermostat.tauSeconds = 1e9;
    options.maintained = options.measured;
    options.bootTicks = bootTicks;
    return options;
}

// Starts a recording with this interval and returns the simulated time of
// the first tick after the dialog closed (the first poll after it).
std::int64_t startRecording(World& w, std::uint8_t interval) {
    w.dialogRule = [interval] { return DialogReply{true, "C:\\data\\bath.txt", interval, 0}; };
    EXPECT_TRUE(w.click(Control::recordButton));
    const std::size_t frames = w.wire().size();
    w.runUntil([&] { return w.wire().size() > frames; }, 1000);
    return w.wire().back().atMs;
}

std::size_t valueLines(const World& w) { return w.recordLines().size() - 4; }

struct IntervalCase {
    const char* name;
    std::uint8_t index;
    std::int64_t periodMs;
    std::int64_t runMs;
    std::uint32_t bootTicks;
};

class RecordingIntervals : public testing::TestWithParam<IntervalCase> {};

TEST_P(RecordingIntervals, WriteOneLineAtEachDueTickWithTheLastMeasuredValue) {
    const IntervalCase& c = GetParam();
    World w(steadyBath(c.bootTicks));
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    const std::int64_t first = startRecording(w, c.index);
    EXPECT_EQ(w.control(Control::recordButton).text, "Закончить запись");
    EXPECT_EQ(w.control(Control::recordButton).tip, " Прекратить запись значения температуры в файл ");
    // The choice is kept for the next recording.
    EXPECT_EQ(w.settingsFile[13], c.index);
    EXPECT_STREQ(reinterpret_cast<const char*>(&w.settingsFile[14]), "C:\\data");
    EXPECT_STREQ(reinterpret_cast<const char*>(&w.settingsFile[275]), "\\bath.txt");

    const std::int64_t forced = first + c.runMs / 2;
    w.at(forced, [&] { w.thermostat().forceMeasured(2675, w.seconds()); });  // -5,5
    w.runFor(c.runMs);

    const std::int64_t expected = (w.nowMs() - first) / c.periodMs + 1;
    ASSERT_EQ(static_cast<std::int64_t>(valueLines(w)), expected);
    for (std::int64_t n = 0; n < expected; ++n) {
        const std::int64_t due = first + n * c.periodMs;
        const std::string& line = w.recordLines()[4 + n];
        // The value of the poll before the due tick.
        if (due < forced) {
            EXPECT_EQ(line, "25,0") << "line " << n;
        } else if (due > forced + 1000) {
            EXPECT_EQ(line, "-5,5") << "line " << n;
        }
    }
    EXPECT_TRUE(w.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, RecordingIntervals,
    testing::Values(IntervalCase{"OneSecond", 0, 1000, 30'000, 5'000'000},
                    IntervalCase{"FiveSeconds", 1, 5000, 61'000, 5'000'000},
                    IntervalCase{"TenSeconds", 2, 10'000, 95'000, 5'000'000},
                    IntervalCase{"ThirtySeconds", 3, 30'000, 300'000, 5'000'000},
                    IntervalCase{"OneMinute", 4, 60'000, 600'000, 5'000'000},
                    IntervalCase{"FiveMinutes", 5, 300'000, 1'860'000, 5'000'000},
                    IntervalCase{"TenMinutes", 6, 600'000, 3'900'000, 5'000'000},
                    IntervalCase{"AcrossTheTickCountsWrap", 0, 1000, 30'000, 0xFFFFFFFFu - 12'000}),
    [](const testing::TestParamInfo<IntervalCase>& info) { return std::string(info.param.name); });

// What happens to a "1 сек" recording when, 10 s into it, ...
struct EventCase {
    const char* name;
    std::function<void(World&)> event;
    BoxReply lostBox;
    bool goesOn;              // the recording is still on at the end
    const char* box;          // the box the event brings, if any
    std::int64_t linesAfter;  // lines written after the event: -1 for one a second
};

class RecordingEvents : public testing::TestWithParam<EventCase> {};

TEST_P(RecordingEvents, EndTheRecordingOnlyWhenTheLinkOrTheFileIsGone) {
    const EventCase& c = GetParam();
    World w(steadyBath());
    w.boxRule = answerBy({{kLostCaption, c.lostBox}}, BoxReply{box::answerOk, 10'000});
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    const std::int64_t first = startRecording(w, 0);
    w.runFor(10'000);
    const std::size_t before = valueLines(w);
    c.event(w);
    w.runFor(30'000);

    EXPECT_EQ(recordingActive(), c.goesOn);
    EXPECT_EQ(w.recordOpen(), c.goesOn);
    if (c.box) {
        ASSERT_EQ(w.boxesWithText(c.box).size(), 1u);
    }
    if (c.linesAfter < 0) {
        EXPECT_EQ(static_cast<std::int64_t>(valueLines(w)), (w.nowMs() - first) / 1000 + 1);
        // The steady bath's value, repeated while the link is lost.
        for (std::size_t n = 4; n < w.recordLines().size(); ++n) EXPECT_EQ(w.recordLines()[n], "25,0") << n;
    } else {
        EXPECT_EQ(valueLines(w) - before, static_cast<std::size_t>(c.linesAfter));
        EXPECT_EQ(w.control(Control::recordButton).text, "Запись в файл");
        EXPECT_EQ(w.control(Control::recordButton).tip, " Сохранять значение температуры в файл ");
    }
}

const BoxReply kLeftUp{box::answerOk, 600'000};

INSTANTIATE_TEST_SUITE_P(
    Events, RecordingEvents,
    testing::Values(
        EventCase{"ALostLinkRepeatsTheLastValue",
                  [](World& w) {
                      w.thermostat().setPower(false);
                      w.at(w.nowMs() + 8000, [&w] { w.thermostat().setPower(true); });
                  },
                  kLeftUp, true, "Термостат не отвечает", -1},
        EventCase{"TheLinkGivenUpEndsIt", [](World& w) { w.thermostat().setPower(false); },
                  BoxReply{box::answerOk, 3000}, false, "Термостат не отвечает", 4},
        EventCase{"AFailedWriteEndsItWithOneBox", [](World& w) { w.failRecordWrites = true; }, kLeftUp, false,
                  kWriteFailed, 0},
        EventCase{"ThePollGoesOnUnderTheStopQuestion",
                  [](World& w) {
                      w.boxRule = answerBy({{kRecordStop, BoxReply{box::answerCancel, 20'000}}});
                      EXPECT_TRUE(w.click(Control::recordButton));
                  },
                  kLeftUp, true, kRecordStop, -1}),
    [](const testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

// The link given up while the dialog is still open: the recording the
// dialog then starts does not go on.
// "Начать запись": what is found at the path decides, and what the operator
// answers; every box is owned by the dialog.
struct FileStartCase {
    const char* name;
    RecordFileFound found;
    RecordFileMade made;
    int answer;        // to the question, if one is asked
    const char* box;   // the box's text after the path, or null for none
    bool recording;
};

class RecordFileStarts : public testing::TestWithParam<FileStartCase> {};

TEST_P(RecordFileStarts, AskOrReportThenMakeTheFile) {
    const FileStartCase& c = GetParam();
    World w(steadyBath());
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    w.recordFiles["C:\\data\\bath.txt"] = c.found;
    w.recordMaking = c.made;
    w.boxRule = answerBy({}, BoxReply{c.answer, 0});
    startRecording(w, 0);
    EXPECT_EQ(recordingActive(), c.recording);
    EXPECT_EQ(w.recordOpen(), c.recording);
    ASSERT_EQ(w.boxes().size(), c.box ? 1u : 0u);
    if (!c.box) return;
    EXPECT_NE(w.boxes()[0].text.find(std::string("C:\\data\\bath.txt") + c.box), std::string::npos);
    EXPECT_EQ(w.boxes()[0].caption, "Запись в файл");
    EXPECT_TRUE(w.boxes()[0].overDialog);
}

constexpr char kExists[] = "\n\n\rуже существует\n\rЗаменить имеющийся файл?";

INSTANTIATE_TEST_SUITE_P(
    Files, RecordFileStarts,
    testing::Values(FileStartCase{"NoFileThere", RecordFileFound::none, RecordFileMade::made, 0, nullptr, true},
                    FileStartCase{"AFileThereReplacedOnYes", RecordFileFound::exists, RecordFileMade::made,
                                  box::answerYes, kExists, true},
                    FileStartCase{"AFileThereKeptOnNo", RecordFileFound::exists, RecordFileMade::made,
                                  box::answerNo, kExists, false},
                    FileStartCase{"HeldByAnotherProgram", RecordFileFound::held, RecordFileMade::made, box::answerOk,
                                  "\n\n\rиспользуется другим приложением.", false},
                    FileStartCase{"AMissingFolderSaysNothing", RecordFileFound::unreachable, RecordFileMade::made,
                                  box::answerOk, nullptr, false},
                    FileStartCase{"NotMade", RecordFileFound::none, RecordFileMade::notMade, box::answerOk, "", false},
                    FileStartCase{"AHeaderNotWritten", RecordFileFound::none, RecordFileMade::headerFailed,
                                  box::answerOk, "\n\n\rЗапись значения температуры в файл прекращена.", false}),
    [](const testing::TestParamInfo<FileStartCase>& info) { return std::string(info.param.name); });

TEST(RecordingDialog, OpenWhileTheLinkIsGivenUpStartsNothing) {
    World w(steadyBath());
    w.boxRule = answerBy({{kLostCaption, BoxReply{box::answerOk, 2000}}});
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    w.dialogRule = [] { return DialogReply{true, "C:\\data\\bath.txt", 0, 10'000}; };
    w.thermostat().setPower(false);
    ASSERT_TRUE(w.click(Control::recordButton));
    EXPECT_EQ(linkState(), linkDown);
    EXPECT_FALSE(recordingActive());
    EXPECT_FALSE(w.recordOpen());
    w.runFor(5000);
    EXPECT_EQ(w.recordLines().size(), 4u) << "the header alone";
    EXPECT_EQ(w.control(Control::recordButton).text, "Запись в файл");
}

TEST(RecordingStalls, ALateTickKeepsTheGridOfTheStart) {
    World w(steadyBath());
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    w.boxRule = answerBy({{kLostCaption, kLeftUp}});
    const std::int64_t first = startRecording(w, 0);
    w.runFor(10'200);
    w.runUntil([] { return !requestInFlight(); }, 1000);
    w.sleep(5200);
    w.runFor(10'000);
    // One line for every slot, the missed ones with the newest value.
    EXPECT_EQ(static_cast<std::int64_t>(valueLines(w)), (w.nowMs() - first) / 1000 + 1);
}

TEST(RecordingStalls, KeepsTheComputerAwake) {
    World w(steadyBath());
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    EXPECT_FALSE(w.awake());
    startRecording(w, 0);
    EXPECT_TRUE(w.awake());
    w.boxRule = answerBy({{kRecordStop, BoxReply{box::answerOk, 0}}});
    ASSERT_TRUE(w.click(Control::recordButton));
    EXPECT_FALSE(w.awake());
}

}  // namespace
}  // namespace world
