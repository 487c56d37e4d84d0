#include "settings/settings.h"

#include <cstring>

#include "seat.h"

namespace {

SettingsRecord record;

void copyField(char* to, const char* from) {
    if (!from || !from[0]) return;
    std::strncpy(to, from, kPathFieldSize - 1);
    to[kPathFieldSize - 1] = '\0';
}

}  // namespace

const SettingsRecord& settings() { return record; }

void loadSettings(const SettingsRecord& loaded) { record = loaded; }

void saveSettings() { seat().files.saveSettings(record); }

void setPortIndex(std::uint8_t index) { record.portIndex = index; }

void setRunFlag(bool on) { record.runFlag = on ? kFlagOn : kFlagOff; }

void setStoredStartMoment(const ClockStamp& start) {
    record.startYear = static_cast<std::uint16_t>(start.year);
    record.startMonth = static_cast<std::uint16_t>(start.month);
    record.startDay = static_cast<std::uint16_t>(start.day);
    record.startHour = static_cast<std::uint16_t>(start.hour);
    record.startMinute = static_cast<std::uint16_t>(start.minute);
}

void setStage(int index, const StageEntry& stage) {
    if (index >= 0 && index < static_cast<int>(kMaxStages)) record.stages[index] = stage;
}

void setStageCount(int count) {
    if (count >= 0 && count <= static_cast<int>(kMaxStages)) record.stageCount = static_cast<std::uint8_t>(count);
}

void removeStage(int index) {
    if (index < 0 || index >= record.stageCount) return;
    std::memmove(&record.stages[index], &record.stages[index + 1],
                 (record.stageCount - index - 1) * sizeof(StageEntry));
    --record.stageCount;
}

void setRecordChoice(const char* folder, const char* fileName, std::uint8_t intervalIndex) {
    copyField(record.recordFolder, folder);
    copyField(record.recordFileName, fileName);
    record.recordIntervalIndex = intervalIndex < kRecordIntervalCount ? intervalIndex : 0;
}
