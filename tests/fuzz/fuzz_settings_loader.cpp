// Fuzzes decodeSettings, the loader of the settings file, with any
// bytes of any length. libFuzzer hands over a heap block of exactly `size`
// bytes, so AddressSanitizer reports any read past the input. Every property
// the rest of the program relies on is checked here; a violation aborts, which
// libFuzzer reports as a crash and saves as an artifact.
#include "settings/settings_record.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "require.h"

namespace {

// The byte the loader should have seen at an offset: the input's, or 0 past a
// short file (nothing past the full record size is ever looked at).
std::uint8_t byteAt(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    return offset < size && offset < kSettingsMaxSize ? data[offset] : 0;
}

std::uint16_t wordAt(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    return static_cast<std::uint16_t>(byteAt(data, size, offset) | (byteAt(data, size, offset + 1) << 8));
}

// A path field ends inside its 261 bytes, and what precedes the end is the
// input's bytes.
void checkPath(const char* field, const std::uint8_t* data, std::size_t size, std::size_t offset) {
    const void* end = std::memchr(field, '\0', kPathFieldSize);
    REQUIRE(end != nullptr);
    const std::size_t length = static_cast<const char*>(end) - field;
    for (std::size_t i = 0; i < length; ++i)
        REQUIRE(static_cast<std::uint8_t>(field[i]) == byteAt(data, size, offset + i));
}

bool sameRecord(const SettingsRecord& a, const SettingsRecord& b) {
    static std::uint8_t left[kSettingsMaxSize], right[kSettingsMaxSize];
    const std::size_t n = encodeSettings(a, left);
    const std::size_t m = encodeSettings(b, right);
    return n == m && std::memcmp(left, right, n) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SettingsRecord record = decodeSettings(data, size);

    // Header fields come from the input, or are zero past its end.
    REQUIRE(record.portIndex == byteAt(data, size, kPortIndexOffset));
    REQUIRE(record.runFlag == (byteAt(data, size, kRunFlagOffset) ? kFlagOn : kFlagOff));
    REQUIRE(record.startYear == wordAt(data, size, kStartYearOffset));
    REQUIRE(record.startMonth == wordAt(data, size, kStartMonthOffset));
    REQUIRE(record.startDay == wordAt(data, size, kStartDayOffset));
    REQUIRE(record.startHour == wordAt(data, size, kStartHourOffset));
    REQUIRE(record.startMinute == wordAt(data, size, kStartMinuteOffset));

    // The interval index indexes a table of 7.
    REQUIRE(record.recordIntervalIndex < kRecordIntervalCount);
    const std::uint8_t storedIndex = byteAt(data, size, kRecordIntervalIndexOffset);
    REQUIRE(record.recordIntervalIndex == (storedIndex < kRecordIntervalCount ? storedIndex : 0));

    // Both path fields are terminated inside their fields.
    checkPath(record.recordFolder, data, size, kRecordFolderOffset);
    checkPath(record.recordFileName, data, size, kRecordFileNameOffset);

    // The count never exceeds what the bytes hold nor what the file claims,
    // every stage under it is well formed and is the input's, and it stops
    // exactly at the first stage that is missing, torn or malformed.
    const std::size_t used = size < kSettingsMaxSize ? size : kSettingsMaxSize;
    const std::size_t held = used > kSettingsHeaderSize ? (used - kSettingsHeaderSize) / kStageEntrySize : 0;
    const std::size_t claimed = byteAt(data, size, kStageCountOffset);
    REQUIRE(record.stageCount <= held);
    REQUIRE(record.stageCount <= claimed);
    REQUIRE(record.stageCount <= kMaxStages);
    for (std::size_t i = 0; i < record.stageCount; ++i) {
        const StageEntry& stage = record.stages[i];
        const std::size_t at = kSettingsHeaderSize + i * kStageEntrySize;
        REQUIRE(stageWellFormed(stage));
        REQUIRE(stage.temperatureCode >= 2630 && stage.temperatureCode <= 3330);
        REQUIRE(stage.holdMinutes <= 59 && stage.holdHours <= 99);
        REQUIRE(stage.holdMinutes != 0 || stage.holdHours != 0);
        REQUIRE(stage.temperatureCode == wordAt(data, size, at));
        REQUIRE(stage.holdMinutes == byteAt(data, size, at + 2));
        REQUIRE(stage.holdHours == byteAt(data, size, at + 3));
    }
    if (record.stageCount < claimed && record.stageCount < held)
        REQUIRE(!stageWellFormed(record.stages[record.stageCount]));

    // Saving what was loaded and loading it again changes nothing.
    static std::uint8_t saved[kSettingsMaxSize];
    const std::size_t savedSize = encodeSettings(record, saved);
    REQUIRE(savedSize == kSettingsHeaderSize + kStageEntrySize * record.stageCount);
    REQUIRE(savedSize <= kSettingsMaxSize);
    REQUIRE(sameRecord(decodeSettings(saved, savedSize), record));
    return 0;
}
