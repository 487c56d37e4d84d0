#include "settings/settings_record.h"

#include <cstring>

namespace {

void putU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t getU16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

// Copies a path field and makes sure it ends inside its 261 bytes, so that no
// reader of a damaged file runs past the field.
void readPathField(const std::uint8_t* from, char* to) {
    std::memcpy(to, from, kPathFieldSize);
    to[kPathFieldSize - 1] = '\0';
}

}  // namespace

bool stageWellFormed(const StageEntry& stage) {
    return stage.temperatureCode >= 2630 && stage.temperatureCode <= 3330 && stage.holdMinutes <= 59 &&
           stage.holdHours <= 99 && (stage.holdHours != 0 || stage.holdMinutes != 0);
}

std::size_t settingsSaveSize(const SettingsRecord& record) {
    return kSettingsHeaderSize + kStageEntrySize * record.stageCount;
}

std::size_t encodeSettings(const SettingsRecord& record, std::uint8_t* out) {
    std::memset(out, 0, kSettingsHeaderSize);
    out[kPortIndexOffset] = record.portIndex;
    out[kRunFlagOffset] = record.runFlag;
    out[kStageCountOffset] = record.stageCount;
    putU16(out + kStartYearOffset, record.startYear);
    putU16(out + kStartMonthOffset, record.startMonth);
    putU16(out + kStartDayOffset, record.startDay);
    putU16(out + kStartHourOffset, record.startHour);
    putU16(out + kStartMinuteOffset, record.startMinute);
    out[kRecordIntervalIndexOffset] = record.recordIntervalIndex;
    std::memcpy(out + kRecordFolderOffset, record.recordFolder, kPathFieldSize);
    std::memcpy(out + kRecordFileNameOffset, record.recordFileName, kPathFieldSize);
    std::uint8_t* entry = out + kSettingsHeaderSize;
    for (std::size_t i = 0; i < record.stageCount; ++i, entry += kStageEntrySize) {
        putU16(entry, record.stages[i].temperatureCode);
        entry[2] = record.stages[i].holdMinutes;
        entry[3] = record.stages[i].holdHours;
    }
    return settingsSaveSize(record);
}

SettingsRecord decodeSettings(const std::uint8_t* bytes, std::size_t size) {
    // Work on a zeroed image of the largest record: a short file leaves the
    // rest zero, and nothing past 1556 bytes is ever looked at.
    std::uint8_t image[kSettingsMaxSize] = {};
    const std::size_t used = size < kSettingsMaxSize ? size : kSettingsMaxSize;
    if (used > 0) std::memcpy(image, bytes, used);

    SettingsRecord record{};
    record.portIndex = image[kPortIndexOffset];
    // The flag is toggled with a bitwise NOT; any other value than 0x00 or
    // 0xFF would never toggle back to idle, so a set flag is read as 0xFF.
    record.runFlag = image[kRunFlagOffset] != kFlagOff ? kFlagOn : kFlagOff;
    record.startYear = getU16(image + kStartYearOffset);
    record.startMonth = getU16(image + kStartMonthOffset);
    record.startDay = getU16(image + kStartDayOffset);
    record.startHour = getU16(image + kStartHourOffset);
    record.startMinute = getU16(image + kStartMinuteOffset);
    record.recordIntervalIndex = image[kRecordIntervalIndexOffset];
    if (record.recordIntervalIndex >= kRecordIntervalCount) record.recordIntervalIndex = 0;
    readPathField(image + kRecordFolderOffset, record.recordFolder);
    readPathField(image + kRecordFileNameOffset, record.recordFileName);

    // Every entry of the table is loaded, as the program keeps stale entries
    // behind the count; the count itself covers only the leading entries that
    // the file really holds and that are well formed, so a damaged file never
    // shows or sends a temperature that nobody entered.
    const std::size_t claimed = image[kStageCountOffset];
    const std::size_t held = used > kSettingsHeaderSize ? (used - kSettingsHeaderSize) / kStageEntrySize : 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < kMaxStages; ++i) {
        const std::uint8_t* entry = image + kSettingsHeaderSize + i * kStageEntrySize;
        StageEntry& stage = record.stages[i];
        stage.temperatureCode = getU16(entry);
        stage.holdMinutes = entry[2];
        stage.holdHours = entry[3];
        if (kept == i && i < claimed && i < held && stageWellFormed(stage)) ++kept;
    }
    record.stageCount = static_cast<std::uint8_t>(kept);
    return record;
}
