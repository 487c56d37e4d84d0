#include "run/run_schedule.h"

StageSearch findStage(const ClockStamp& start, const StageEntry* stages, std::size_t count,
                      const ClockStamp& present, RunPosition& position) {
    position = RunPosition{};
    position.nextStageStart = start;
    while (position.nextStage < count && notEarlier(present, position.nextStageStart)) {
        const StageEntry& stage = stages[position.nextStage];
        addHold(position.nextStageStart, stage.holdHours, stage.holdMinutes);
        ++position.nextStage;
    }
    if (position.nextStage == count && notEarlier(present, position.nextStageStart)) return StageSearch::allOver;
    if (position.nextStage == 0) return StageSearch::notBegun;
    position.targetCode = stages[position.nextStage - 1].temperatureCode;
    return StageSearch::running;
}

ClockStamp runMinute(TickMemory& memory, const ClockStamp& present) {
    if (notEarlier(present, memory.latest)) memory.latest = present;
    return memory.latest;
}

bool noticeClockCorrection(TickMemory& memory, const ClockStamp& present, std::int64_t universalSeconds) {
    const std::int64_t back = memory.universal - universalSeconds;
    const bool corrected = memory.universalKnown && back > kClockCorrectionSeconds;
    memory.universal = universalSeconds;
    memory.universalKnown = true;
    if (!corrected) return false;
    const std::int64_t moved = minuteNumber(memory.latest) - (back + 30) / 60;
    memory.latest = moved > minuteNumber(present) ? stampOfMinute(moved) : present;
    memory.resync = true;
    memory.lookUp = true;
    return true;
}

MinuteStep minuteStep(TickMemory& memory, const ClockStamp& present, const ClockStamp& start,
                      const StageEntry* stages, std::size_t count, RunPosition& position, bool& stageChanged) {
    stageChanged = false;
    if (!memory.resync && present == memory.lastMinute) return MinuteStep::nothing;
    const bool resync = memory.resync;
    const bool lookUp = memory.lookUp;
    memory.resync = false;
    memory.lookUp = false;
    memory.lastMinute = present;
    const ClockStamp minute = runMinute(memory, present);

    if (lookUp || notEarlier(minute, position.nextStageStart)) {
        const std::uint8_t before = position.nextStage;
        const StageSearch found = findStage(start, stages, count, minute, position);
        stageChanged = position.nextStage != before;
        if (found == StageSearch::allOver) return MinuteStep::complete;
        return position.targetCode != 0 ? MinuteStep::send : MinuteStep::nothing;
    }
    if (resync && position.targetCode != 0) return MinuteStep::send;
    return MinuteStep::nothing;
}
