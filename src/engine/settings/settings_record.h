// The settings file's record: a 536-byte header followed by up to 255 four-byte
// stage entries, little-endian, no padding, no magic number.
//
// The program keeps the record in memory as a plain struct and turns it into
// the file's bytes and back byte by byte; the offsets below are the file layout.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kMaxStages = 255;
constexpr std::size_t kPathFieldSize = 261;

// File layout.
constexpr std::size_t kPortIndexOffset = 0;
constexpr std::size_t kRunFlagOffset = 1;
constexpr std::size_t kStageCountOffset = 2;
constexpr std::size_t kStartYearOffset = 3;
constexpr std::size_t kStartMonthOffset = 5;
constexpr std::size_t kStartDayOffset = 7;
constexpr std::size_t kStartHourOffset = 9;
constexpr std::size_t kStartMinuteOffset = 11;
constexpr std::size_t kRecordIntervalIndexOffset = 13;
constexpr std::size_t kRecordFolderOffset = 14;
constexpr std::size_t kRecordFileNameOffset = kRecordFolderOffset + kPathFieldSize;
constexpr std::size_t kSettingsHeaderSize = kRecordFileNameOffset + kPathFieldSize;
constexpr std::size_t kStageEntrySize = 4;
constexpr std::size_t kSettingsMaxSize = kSettingsHeaderSize + kMaxStages * kStageEntrySize;

static_assert(kRecordFileNameOffset == 275, "recordFileName sits at byte 275");
static_assert(kSettingsHeaderSize == 536, "the header is 536 bytes");
static_assert(kSettingsMaxSize == 1556, "a full record is 1556 bytes");

constexpr std::uint8_t kFlagOff = 0x00;
constexpr std::uint8_t kFlagOn = 0xFF;
constexpr std::uint8_t kRecordIntervalCount = 7;

struct StageEntry {
    std::uint16_t temperatureCode;
    std::uint8_t holdMinutes;
    std::uint8_t holdHours;
};

struct SettingsRecord {
    std::uint8_t portIndex;
    std::uint8_t runFlag;
    std::uint8_t stageCount;
    std::uint16_t startYear;  // year minus 2000; 0 = no start moment stored
    std::uint16_t startMonth;
    std::uint16_t startDay;
    std::uint16_t startHour;
    std::uint16_t startMinute;
    std::uint8_t recordIntervalIndex;
    char recordFolder[kPathFieldSize];
    char recordFileName[kPathFieldSize];
    StageEntry stages[kMaxStages];
};

// Number of bytes a save writes: the header and the valid stages.
std::size_t settingsSaveSize(const SettingsRecord& record);

// Writes the header and the first stageCount stages into out (at least
// settingsSaveSize bytes) and returns the count written.
std::size_t encodeSettings(const SettingsRecord& record, std::uint8_t* out);

// Builds the record from a file's bytes. A file shorter than the header leaves
// the rest of the header zero; bytes past 1556 are not looked at. Damage that
// this program never writes is mended: an interval index above 6 becomes 0,
// unterminated path fields are terminated, and only the leading stages that the
// bytes really hold and that are well formed (code 2630..3330, minutes 0..59,
// hours 0..99, not 0 h 00 min) are kept.
SettingsRecord decodeSettings(const std::uint8_t* bytes, std::size_t size);

// Whether a stage entry is one the program itself could have stored.
bool stageWellFormed(const StageEntry& stage);
