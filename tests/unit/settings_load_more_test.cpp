// More cases for the settings loader: files cut at every length,
// counts against the bytes held, and path fields at their full length.
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> fileWith(int claimed, int held, StageEntry stage = StageEntry{2980, 30, 1}) {
    SettingsRecord record{};
    std::strcpy(record.recordFolder, "C:\\Data");
    std::strcpy(record.recordFileName, "\\termo.txt");
    record.stageCount = static_cast<std::uint8_t>(held);
    for (int i = 0; i < held; ++i) record.stages[i] = stage;
    std::vector<std::uint8_t> bytes(kSettingsMaxSize);
    bytes.resize(encodeSettings(record, bytes.data()));
    bytes[kStageCountOffset] = static_cast<std::uint8_t>(claimed);
    return bytes;
}

SettingsRecord load(const std::vector<std::uint8_t>& bytes) { return decodeSettings(bytes.data(), bytes.size()); }

TEST(SettingsLoadMore, ReadsNoFurtherThanTheFileAtAnyLength) {
    // Exactly sized heap copies of every prefix of a full file, and a little
    // more: AddressSanitizer reports a read past any of them.
    std::vector<std::uint8_t> full = fileWith(255, 255);
    full.resize(kSettingsMaxSize + 8, 0x5A);
    for (std::size_t size = 0; size <= full.size(); ++size) {
        auto* copy = static_cast<std::uint8_t*>(std::malloc(size ? size : 1));
        if (size) std::memcpy(copy, full.data(), size);
        const SettingsRecord record = decodeSettings(copy, size);
        std::free(copy);
        const std::size_t held = size > kSettingsHeaderSize
                                     ? (std::min(size, kSettingsMaxSize) - kSettingsHeaderSize) / kStageEntrySize
                                     : 0;
        ASSERT_EQ(record.stageCount, size > kStageCountOffset ? held : 0) << size;
        ASSERT_NE(std::memchr(record.recordFolder, 0, kPathFieldSize), nullptr) << size;
        ASSERT_NE(std::memchr(record.recordFileName, 0, kPathFieldSize), nullptr) << size;
    }
}

TEST(SettingsLoadMore, HeaderOnlyFileHasNoStagesWhateverItClaims) {
    EXPECT_EQ(load(fileWith(5, 0)).stageCount, 0);
    EXPECT_EQ(load(fileWith(255, 0)).stageCount, 0);
}

TEST(SettingsLoadMore, CountZeroKeepsTheEntriesBehindIt) {
    const SettingsRecord record = load(fileWith(0, 3));
    EXPECT_EQ(record.stageCount, 0);
    EXPECT_EQ(record.stages[0].temperatureCode, 2980);
    EXPECT_EQ(record.stages[2].holdMinutes, 30);
    EXPECT_EQ(record.stages[3].temperatureCode, 0);  // past the file: zero
}

TEST(SettingsLoadMore, CountBelowTheEntriesHeld) {
    EXPECT_EQ(load(fileWith(2, 5)).stageCount, 2);
    EXPECT_EQ(load(fileWith(255, 255)).stageCount, 255);
    EXPECT_EQ(load(fileWith(254, 255)).stageCount, 254);
}

TEST(SettingsLoadMore, MalformedFirstStageLeavesAnEmptyProgram) {
    auto bytes = fileWith(3, 3);
    bytes[kSettingsHeaderSize + 2] = 0;  // stage 1: 0 h 00 min after this
    bytes[kSettingsHeaderSize + 3] = 0;
    EXPECT_EQ(load(bytes).stageCount, 0);
    // A well-formed stage after a malformed one does not count either.
    auto later = fileWith(3, 3);
    later[kSettingsHeaderSize + 4 + 3] = 100;  // stage 2: 100 hours
    EXPECT_EQ(load(later).stageCount, 1);
}

TEST(SettingsLoadMore, PathOfTheFullFieldLengthIsKept) {
    auto bytes = fileWith(0, 0);
    std::memset(bytes.data() + kRecordFolderOffset, 'a', kPathFieldSize - 1);
    bytes[kRecordFolderOffset + kPathFieldSize - 1] = 0;
    std::memset(bytes.data() + kRecordFileNameOffset, 'b', kPathFieldSize);  // unterminated
    const SettingsRecord record = load(bytes);
    EXPECT_EQ(std::strlen(record.recordFolder), kPathFieldSize - 1);
    EXPECT_EQ(record.recordFolder[kPathFieldSize - 2], 'a');
    EXPECT_EQ(std::strlen(record.recordFileName), kPathFieldSize - 1);
}

TEST(SettingsLoadMore, FileCutInsideTheFileNameLeavesTheRestZero) {
    auto bytes = fileWith(0, 0);
    std::memset(bytes.data() + kRecordFileNameOffset, 'c', kPathFieldSize);
    bytes.resize(kRecordFileNameOffset + 3);
    const SettingsRecord record = load(bytes);
    EXPECT_STREQ(record.recordFileName, "ccc");
    EXPECT_STREQ(record.recordFolder, "C:\\Data");
}

TEST(SettingsLoadMore, StartMomentWordsAreLittleEndianAndKeptAsStored) {
    auto bytes = fileWith(0, 0);
    const std::uint8_t start[] = {0x34, 0x12, 0xFF, 0xFF, 0, 0x80, 23, 0, 59, 0};
    std::memcpy(bytes.data() + kStartYearOffset, start, sizeof start);
    const SettingsRecord record = load(bytes);
    EXPECT_EQ(record.startYear, 0x1234);
    EXPECT_EQ(record.startMonth, 0xFFFF);
    EXPECT_EQ(record.startDay, 0x8000);
    EXPECT_EQ(record.startHour, 23);
    EXPECT_EQ(record.startMinute, 59);
}

TEST(SettingsLoadMore, EveryIntervalIndexLandsInTheTable) {
    auto bytes = fileWith(0, 0);
    for (int index = 0; index <= 255; ++index) {
        bytes[kRecordIntervalIndexOffset] = static_cast<std::uint8_t>(index);
        const SettingsRecord record = load(bytes);
        EXPECT_EQ(record.recordIntervalIndex, index <= 6 ? index : 0);
    }
}

}  // namespace
