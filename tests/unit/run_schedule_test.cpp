#include "run/run_schedule.h"

#include <gtest/gtest.h>

namespace {

ClockStamp at(int year, int month, int day, int hour, int minute) {
    return ClockStamp{static_cast<std::int16_t>(year), static_cast<std::int16_t>(month),
                      static_cast<std::int16_t>(day), static_cast<std::int16_t>(hour),
                      static_cast<std::int16_t>(minute)};
}

// 31.12.24 23:58: A for 0:01, B for 1:00, C for 0:30; the program ends at
// 01.01.25 01:29.
const ClockStamp kStart = at(24, 12, 31, 23, 58);
const StageEntry kStages[] = {{2930, 1, 0}, {2980, 0, 1}, {3030, 30, 0}};

TEST(RunSchedule, FindStageTakesTheStageWhoseIntervalHoldsThePresentMinute) {
    const struct {
        ClockStamp present;
        StageSearch result;
        int nextStage;
        ClockStamp nextStageStart;
        int targetCode;
    } cases[] = {
        {at(24, 12, 31, 23, 57), StageSearch::notBegun, 0, kStart, 0},
        {at(24, 12, 31, 23, 58), StageSearch::running, 1, at(24, 12, 31, 23, 59), 2930},
        {at(24, 12, 31, 23, 59), StageSearch::running, 2, at(25, 1, 1, 0, 59), 2980},
        {at(25, 1, 1, 0, 58), StageSearch::running, 2, at(25, 1, 1, 0, 59), 2980},
        {at(25, 1, 1, 0, 59), StageSearch::running, 3, at(25, 1, 1, 1, 29), 3030},
        {at(25, 1, 1, 1, 29), StageSearch::allOver, 3, at(25, 1, 1, 1, 29), 0},
        {at(26, 6, 1, 12, 0), StageSearch::allOver, 3, at(25, 1, 1, 1, 29), 0},
    };
    for (const auto& c : cases) {
        RunPosition position;
        position.targetCode = 1;
        EXPECT_EQ(findStage(kStart, kStages, 3, c.present, position), c.result) << c.present.hour << ":" << c.present.minute;
        EXPECT_EQ(position.nextStage, c.nextStage);
        EXPECT_EQ(position.nextStageStart, c.nextStageStart);
        EXPECT_EQ(position.targetCode, c.targetCode);
    }
    RunPosition empty;
    EXPECT_EQ(findStage(kStart, kStages, 0, at(24, 12, 31, 23, 57), empty), StageSearch::notBegun);
    EXPECT_EQ(findStage(kStart, kStages, 0, kStart, empty), StageSearch::allOver);
}

struct Tick {
    ClockStamp present;
    MinuteStep step;
    bool stageChanged;
    int nextStage;
};

// The memory of a run that last ticked at minute last (none: the next tick
// resynchronises).
TickMemory after(const ClockStamp& last) { return TickMemory{last, false, last}; }
const TickMemory kResync{};

void runTicks(TickMemory memory, RunPosition position, std::initializer_list<Tick> ticks) {
    for (const Tick& tick : ticks) {
        bool changed = true;
        EXPECT_EQ(minuteStep(memory, tick.present, kStart, kStages, 3, position, changed), tick.step)
            << tick.present.day << " " << tick.present.hour << ":" << tick.present.minute;
        EXPECT_EQ(changed, tick.stageChanged);
        EXPECT_EQ(position.nextStage, tick.nextStage);
        EXPECT_EQ(memory.lastMinute, tick.present);
    }
}

TEST(RunSchedule, MinuteTicksBeginEachStageAtItsStartMinuteAndEndAfterTheLast) {
    RunPosition waiting;
    findStage(kStart, kStages, 3, at(24, 12, 31, 23, 50), waiting);
    runTicks(kResync, waiting,
             {{at(24, 12, 31, 23, 50), MinuteStep::nothing, false, 0},  // not begun: nothing to send
              {at(24, 12, 31, 23, 58), MinuteStep::send, true, 1},
              {at(24, 12, 31, 23, 59), MinuteStep::send, true, 2},
              {at(25, 1, 1, 0, 0), MinuteStep::nothing, false, 2},
              {at(25, 1, 1, 0, 59), MinuteStep::send, true, 3},
              {at(25, 1, 1, 1, 28), MinuteStep::nothing, false, 3},
              {at(25, 1, 1, 1, 29), MinuteStep::complete, false, 3}});
}

TEST(RunSchedule, ResyncMissedBoundariesAndClockChanges) {
    RunPosition inA;
    findStage(kStart, kStages, 3, kStart, inA);
    // The first tick after entering the running view sends the running stage;
    // a second tick in the same minute does nothing.
    runTicks(kResync, inA, {{kStart, MinuteStep::send, false, 1}});
    TickMemory memory = after(kStart);
    bool changed = false;
    RunPosition position = inA;
    EXPECT_EQ(minuteStep(memory, kStart, kStart, kStages, 3, position, changed), MinuteStep::nothing);

    // Asleep from stage A to the middle of stage C: B is skipped, C is sent.
    runTicks(after(kStart), inA, {{at(25, 1, 1, 1, 10), MinuteStep::send, true, 3}});
    // Entering the view just before a boundary whose minute the first tick
    // already lies in: the boundary is taken, not skipped.
    runTicks(kResync, inA, {{at(24, 12, 31, 23, 59), MinuteStep::send, true, 2}});
    // Asleep past the end of the program: the run ends.
    runTicks(after(kStart), inA, {{at(25, 1, 2, 0, 0), MinuteStep::complete, true, 3}});
    // The clock set back an hour during stage B: B goes on, nothing is sent.
    RunPosition inB;
    findStage(kStart, kStages, 3, at(25, 1, 1, 0, 30), inB);
    runTicks(after(at(25, 1, 1, 0, 30)), inB, {{at(24, 12, 31, 23, 31), MinuteStep::nothing, false, 2}});
    // A tick exactly an hour after the last one has the same minute number:
    // it is another minute, and the boundary it passed is taken at once.
    runTicks(after(at(24, 12, 31, 23, 59)), inB, {{at(25, 1, 1, 0, 59), MinuteStep::send, true, 3}});
}

TEST(RunSchedule, AClockSetBackNeverBringsBackAnEndedStage) {
    // In stage C at 01:10, the clock goes back to 23:58 of the day before (an
    // hour and twelve minutes): a resync (a link hiccup, a list change) still
    // finds C, and the ticks hold C until the end of the program.
    TickMemory memory = after(at(25, 1, 1, 1, 10));
    memory.resync = true;
    RunPosition position;
    EXPECT_EQ(findStage(kStart, kStages, 3, runMinute(memory, at(24, 12, 31, 23, 58)), position),
              StageSearch::running);
    EXPECT_EQ(position.nextStage, 3);
    runTicks(memory, position,
             {{at(24, 12, 31, 23, 58), MinuteStep::send, false, 3},  // resent, and only C
              {at(24, 12, 31, 23, 59), MinuteStep::nothing, false, 3},
              {at(25, 1, 1, 0, 59), MinuteStep::nothing, false, 3},
              {at(25, 1, 1, 1, 29), MinuteStep::complete, false, 3}});
}

TEST(RunSchedule, ACorrectedClockMovesTheLatestMinuteBackButNeverBelowThePresent) {
    TickMemory memory = after(at(25, 1, 1, 1, 10));
    const struct {
        ClockStamp present;
        std::int64_t universal;
        bool corrected;
        ClockStamp latest;
    } steps[] = {
        {at(25, 1, 1, 1, 10), 10'000, false, at(25, 1, 1, 1, 10)},  // the first reading
        {at(25, 1, 1, 0, 10), 10'001, false, at(25, 1, 1, 1, 10)},  // daylight saving: local time alone
        {at(25, 1, 1, 0, 9), 9'911, false, at(25, 1, 1, 1, 10)},    // 90 s back is no correction
        {at(25, 1, 1, 0, 4), 9'611, true, at(25, 1, 1, 1, 5)},      // set back 5 min: so is the latest
        {at(24, 12, 31, 23, 0), 2'411, true, at(24, 12, 31, 23, 5)},  // 2 h back, an hour still ahead
        {at(24, 12, 31, 22, 0), -4'789, true, at(24, 12, 31, 22, 0)},  // 2 h more: the present
    };
    for (const auto& step : steps) {
        EXPECT_EQ(noticeClockCorrection(memory, step.present, step.universal), step.corrected) << step.universal;
        runMinute(memory, step.present);
        EXPECT_EQ(memory.latest, step.latest) << step.universal;
        EXPECT_EQ(memory.lookUp, step.corrected);
        memory.lookUp = false;
    }
}

}  // namespace
