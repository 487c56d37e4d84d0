#include "control/run_schedule.h"

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

MinuteStep minuteStep(std::int16_t& lastTickMinute, const ClockStamp& present, const ClockStamp& start,
                      const StageEntry* stages, std::size_t count, RunPosition& position, bool& stageChanged) {
    stageChanged = false;
    if (present.minute == lastTickMinute) return MinuteStep::nothing;
    const bool resync = lastTickMinute == kResyncMinute;
    lastTickMinute = present.minute;

    if (notEarlier(present, position.nextStageStart)) {
        const std::uint8_t before = position.nextStage;
        const StageSearch found = findStage(start, stages, count, present, position);
        stageChanged = position.nextStage != before;
        if (found == StageSearch::allOver) return MinuteStep::complete;
        return position.targetCode != 0 ? MinuteStep::send : MinuteStep::nothing;
    }
    if (resync && position.targetCode != 0) return MinuteStep::send;
    return MinuteStep::nothing;
}
