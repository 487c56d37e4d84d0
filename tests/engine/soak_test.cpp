// A simulated day of a program of short stages with everything at once:
// random faults on the line (fixed seed), panel changes, two kills and
// restarts, and a recording. Checked from the wire, the settings bytes at
// each kill and the record file's line count. Prints the simulated hours per
// second of real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "front.h"
#include "run/run.h"
#include "recording/recording.h"
#include "run_checks.h"
#include "scenario.h"

namespace world {
namespace {

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kRecordPeriodMs = 10'000;  // "10 сек"

struct Outage {
    std::int64_t fromWall;
    std::int64_t toWall;
};

// About 24 hours of stages of 1 to 11 minutes, at most 255 of them.
std::vector<StageSpec> dayOfStages(std::mt19937& random) {
    std::uniform_int_distribution<int> hold(1, 11);
    std::uniform_int_distribution<int> tenths(0, 700);
    std::vector<StageSpec> stages;
    int total = 0;
    while (total < 24 * 60 && stages.size() < 255) {
        const int minutes = std::min(hold(random), 24 * 60 - total);
        stages.push_back(StageSpec{static_cast<std::uint16_t>(2630 + tenths(random)), 0, minutes});
        total += minutes;
    }
    return stages;
}

// One random fault of the line or the panel, lasting at most 40 s; powerOff
// notes how long the thermostat stays off.
void injectFault(World& w, std::mt19937& random, std::vector<Outage>& outages) {
    Thermostat& t = w.thermostat();
    const unsigned n = std::uniform_int_distribution<unsigned>(1, 3)(random);
    switch (std::uniform_int_distribution<int>(0, 7)(random)) {
    case 0: t.dropReplies(n); break;
    case 1: t.corruptReplies(n); break;
    case 2: t.shortenReplies(n, n); break;
    case 3: t.delayReplies(n, 0.4); break;
    case 4: t.delayReplies(n, 0.15); break;
    case 5:
        t.setRefuse(true);
        w.at(w.nowMs() + 30'000, [&w] { w.thermostat().setRefuse(false); });
        break;
    case 6: {
        const std::int64_t off = std::uniform_int_distribution<std::int64_t>(2, 40)(random);
        t.setPower(false);
        outages.push_back(Outage{w.wallNow(), w.wallNow() + off + 2});
        w.at(w.nowMs() + off * 1000, [&w] { w.thermostat().setPower(true); });
        break;
    }
    case 7: t.setFromPanel(static_cast<TemperatureCode>(2730 + 100 * n), w.seconds()); break;
    }
}

void healLine(Thermostat& t) {
    t.dropReplies(0);
    t.corruptReplies(0);
    t.shortenReplies(0, 1);
    t.delayReplies(0, 0);
    t.setRefuse(false);
    t.setPower(true);
}

std::size_t expectedLines(std::int64_t firstTick, std::int64_t lastTick) {
    return static_cast<std::size_t>((lastTick - firstTick) / kRecordPeriodMs + 1);
}

TEST(Soak, ADayOfShortStagesWithFaultsKillsAndARecording) {
    const auto began = std::chrono::steady_clock::now();
    std::mt19937 random(20300101);
    const std::vector<StageSpec> stages = dayOfStages(random);
    const std::int64_t start = kNoon;
    const std::vector<std::int64_t> starts = stageStarts(start, stages);

    World w(startingAt(start - 40));
    w.boxRule = answerBy({{kLostCaption, BoxReply{box::answerOk, 3'600'000}}, {kRefusal, BoxReply{box::answerOk, 5000}}},
                         BoxReply{box::answerOk, 1000});
    // Each restart records to a new file, as the guide advises.
    int files = 0;
    w.dialogRule = [&files] { return DialogReply{true, "C:\\data\\bath" + std::to_string(++files) + ".txt", 2, 0}; };
    std::vector<Outage> outages;

    auto connectAndRecord = [&]() -> std::int64_t {
        EXPECT_TRUE(w.runUntil([] { return linkIsUp(); }, 3000));
        EXPECT_TRUE(w.click(Control::recordButton));
        const std::size_t frames = w.wire().size();
        w.runUntil([&] { return w.wire().size() > frames; }, 1000);
        return w.wire().back().atMs;
    };

    w.settingsFile = settingsBytes(stages, localTimeAt(start), false);
    w.start();
    std::int64_t firstRecordTick = connectAndRecord();
    ASSERT_TRUE(w.click(Control::runButton));

    // The kills, and the seconds the program then stays down.
    const struct {
        std::int64_t atWall;
        std::int64_t downFor;
    } kills[] = {{start + 8 * 3600 + 17, 45}, {start + 16 * 3600 + 7 * 60 + 31, 13 * 60}};
    std::size_t nextKill = 0;
    std::uniform_int_distribution<std::int64_t> gap(2 * kMinute, 10 * kMinute);

    while (w.wallNow() < starts.back() + 120) {
        const std::int64_t step = gap(random);
        const std::int64_t until = w.wallNow() + step / 1000;
        if (nextKill < std::size(kills) && until >= kills[nextKill].atWall) {
            w.runUntilWall(kills[nextKill].atWall);
            const std::size_t linesAtKill = w.recordLines().size() - 4;
            // The last tick before the kill wrote the last line.
            const std::int64_t lastTick = w.wire().back().atMs;
            w.kill();
            EXPECT_EQ(linesAtKill, expectedLines(firstRecordTick, lastTick)) << "kill " << nextKill;

            // The killed program left the run, its start moment and its stages.
            const auto& file = w.settingsFile;
            EXPECT_EQ(file[1], 0xFF);
            EXPECT_EQ(file[2], stages.size());
            const unsigned moment[] = {30, 1, 1, 12, 0};
            for (int i = 0; i < 5; ++i) EXPECT_EQ(fileWord(file, 3 + 2 * i), moment[i]);
            for (std::size_t k = 0; k < stages.size(); ++k) {
                EXPECT_EQ(fileWord(file, 536 + 4 * k), stages[k].code) << k;
                EXPECT_EQ(file[536 + 4 * k + 2], stages[k].minutes) << k;
            }

            outages.push_back(Outage{w.wallNow(), w.wallNow() + kills[nextKill].downFor + 2});
            w.runFor(kills[nextKill].downFor * 1000);
            healLine(w.thermostat());
            w.start();
            firstRecordTick = connectAndRecord();
            EXPECT_TRUE(runActive()) << "resumed after kill " << nextKill;
            ++nextKill;
            continue;
        }
        w.runUntilWall(until);
        // No fault in the last stage's minutes: the run's end is checked on
        // its own.
        if (w.wallNow() < starts.back() - 15 * 60) injectFault(w, random, outages);
    }
    const std::int64_t lastTick = w.wire().back().atMs;

    const auto excused = [&](std::size_t k) {
        for (const Outage& o : outages)
            if (starts[k] + 60 > o.fromWall && starts[k] <= o.toWall) return true;
        return false;
    };
    const auto faults = runFaults(w.setCommands(), start, stages, start, starts.back(), excused);
    EXPECT_EQ(joined(faults), "");
    std::size_t excusedStages = 0;
    for (std::size_t k = 0; k < stages.size(); ++k) excusedStages += excused(k);
    EXPECT_LT(excusedStages, stages.size() / 10);

    EXPECT_EQ(w.kills(), 2u);
    EXPECT_EQ(w.overlappingRequests(), 0u);
    EXPECT_EQ(w.boxesWithText(kCompleted).size(), 1u);
    EXPECT_FALSE(runActive());
    EXPECT_EQ(w.settingsFile[1], 0x00);
    EXPECT_EQ(w.awake(), recordingActive());
    EXPECT_EQ(w.boxesWithText(kNoAnswer).size(), 0u);
    const auto lost = w.boxesWithText("Термостат не отвечает на запрос!\n\n\rВозможные");
    EXPECT_GT(lost.size(), 10u);
    for (const Box& b : lost) EXPECT_TRUE(b.closedByProgram || b.endedMs == 0) << "the link came back";
    for (const Box& b : w.boxes())
        EXPECT_TRUE(b.caption == kLostCaption || b.text.find(kRefusal) == 0 || b.text == kCompleted) << b.text;
    EXPECT_TRUE(recordingActive());
    EXPECT_EQ(w.recordLines().size() - 4, expectedLines(firstRecordTick, lastTick));

    const double realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const double simulatedHours = w.nowMs() / 3'600'000.0;
    std::printf("soak: %.1f simulated hours in %.2f s of real time: %.0f simulated hours per second; "
                "%zu stages, %zu frames, %zu boxes, %zu excused stage starts\n",
                simulatedHours, realSeconds, simulatedHours / realSeconds, stages.size(), w.wire().size(),
                w.boxes().size(), excusedStages);
}

}  // namespace
}  // namespace world
