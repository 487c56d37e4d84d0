// The settings file's bytes, against the worked examples of the file layout,
// and the loader on short, long and damaged files.
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

SettingsRecord withStages(int count) {
    SettingsRecord record{};
    std::strcpy(record.recordFolder, "C:\\Documents");
    std::strcpy(record.recordFileName, "\\termo.txt");
    record.stageCount = static_cast<std::uint8_t>(count);
    for (int i = 0; i < count; ++i) record.stages[i] = StageEntry{static_cast<std::uint16_t>(2730 + i), 5, 2};
    return record;
}

std::vector<std::uint8_t> encode(const SettingsRecord& record) {
    std::vector<std::uint8_t> bytes(kSettingsMaxSize);
    bytes.resize(encodeSettings(record, bytes.data()));
    return bytes;
}

TEST(SettingsBytes, HeaderFieldsSitAtTheirOffsetsLittleEndian) {
    SettingsRecord record = withStages(0);
    record.portIndex = 3;
    record.runFlag = 0xFF;
    record.startYear = 24;
    record.startMonth = 12;
    record.startDay = 31;
    record.startHour = 23;
    record.startMinute = 0x0102;
    record.recordIntervalIndex = 6;
    const auto bytes = encode(record);
    ASSERT_EQ(bytes.size(), 536u);
    const std::uint8_t head[] = {3, 0xFF, 0, 24, 0, 12, 0, 31, 0, 23, 0, 0x02, 0x01, 6};
    EXPECT_EQ(0, std::memcmp(bytes.data(), head, sizeof head));
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + 14), "C:\\Documents");
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + 275), "\\termo.txt");
}

TEST(SettingsBytes, StageIsCodeLowHighThenMinutesThenHours) {
    SettingsRecord record = withStages(1);
    record.stages[0] = StageEntry{3105, 5, 2};  // 37,5 degC held 2 h 05 min
    const auto bytes = encode(record);
    ASSERT_EQ(bytes.size(), 540u);
    const std::uint8_t stage[] = {0x21, 0x0C, 0x05, 0x02};
    EXPECT_EQ(0, std::memcmp(bytes.data() + 536, stage, 4));
}

TEST(SettingsBytes, SaveSizeFollowsTheStageCount) {
    EXPECT_EQ(encode(withStages(0)).size(), 536u);
    EXPECT_EQ(encode(withStages(3)).size(), 548u);
    EXPECT_EQ(encode(withStages(255)).size(), 1556u);
}

TEST(SettingsBytes, RoundTripKeepsEveryField) {
    SettingsRecord record = withStages(255);
    record.portIndex = 7;
    record.runFlag = 0xFF;
    record.startYear = 99;
    record.startMonth = 2;
    record.startDay = 29;
    record.startHour = 13;
    record.startMinute = 59;
    record.recordIntervalIndex = 4;
    const auto bytes = encode(record);
    const SettingsRecord back = decodeSettings(bytes.data(), bytes.size());
    EXPECT_EQ(encode(back), bytes);
}

TEST(SettingsLoad, ShortFileLeavesTheRestZero) {
    const std::uint8_t bytes[] = {2, 0xFF, 0, 25, 0, 3};
    const SettingsRecord record = decodeSettings(bytes, sizeof bytes);
    EXPECT_EQ(record.portIndex, 2);
    EXPECT_EQ(record.runFlag, 0xFF);
    EXPECT_EQ(record.startYear, 25);
    EXPECT_EQ(record.startMonth, 3);
    EXPECT_EQ(record.startDay, 0);
    EXPECT_EQ(record.recordFolder[0], '\0');
    EXPECT_EQ(decodeSettings(nullptr, 0).stageCount, 0);
}

TEST(SettingsLoad, StaleTailBehindTheCountIsIgnored) {
    // Five stages saved, then three: the file keeps the two old records.
    auto file = encode(withStages(5));
    const auto shorter = encode(withStages(3));
    std::memcpy(file.data(), shorter.data(), shorter.size());
    file.resize(556);
    const SettingsRecord record = decodeSettings(file.data(), file.size());
    EXPECT_EQ(record.stageCount, 3);
    EXPECT_EQ(record.stages[3].temperatureCode, 2733);  // still in the table, unused
}

TEST(SettingsLoad, LongerFileIsReadOnlyToTheFullRecord) {
    std::vector<std::uint8_t> file = encode(withStages(255));
    file.resize(4000, 0xAA);
    const SettingsRecord record = decodeSettings(file.data(), file.size());
    EXPECT_EQ(record.stageCount, 255);
    EXPECT_EQ(encode(record), encode(withStages(255)));
}

TEST(SettingsLoad, CountBeyondTheFileKeepsOnlyTheStagesItHolds) {
    auto file = encode(withStages(4));
    file[kStageCountOffset] = 200;
    file.resize(536 + 4 * 4 + 3);  // a torn fifth entry
    EXPECT_EQ(decodeSettings(file.data(), file.size()).stageCount, 4);
}

TEST(SettingsLoad, MalformedStageEndsTheProgramBeforeIt) {
    const StageEntry broken[] = {
        {0, 0, 1},        // code 0 would be -273,0 degC
        {2629, 0, 1},     // below -10,0
        {3331, 0, 1},     // above +60,0
        {2980, 60, 1},    // minutes above 59
        {2980, 0, 100},   // hours above 99
        {2980, 0, 0},     // a hold of 0 h 00 min
    };
    for (const StageEntry& bad : broken) {
        SettingsRecord record = withStages(5);
        record.stages[2] = bad;
        const auto bytes = encode(record);
        EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()).stageCount, 2)
            << "code " << bad.temperatureCode << " hold " << int(bad.holdHours) << ":" << int(bad.holdMinutes);
    }
    SettingsRecord edges = withStages(2);
    edges.stages[0] = StageEntry{2630, 59, 99};
    edges.stages[1] = StageEntry{3330, 1, 0};
    const auto bytes = encode(edges);
    EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()).stageCount, 2);
}

TEST(SettingsLoad, IntervalIndexBeyondTheTableReadsAsTheFirst) {
    auto bytes = encode(withStages(0));
    bytes[kRecordIntervalIndexOffset] = 6;
    EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()).recordIntervalIndex, 6);
    bytes[kRecordIntervalIndexOffset] = 7;
    EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()).recordIntervalIndex, 0);
}

TEST(SettingsLoad, UnterminatedPathsAreCutInsideTheirFields) {
    std::vector<std::uint8_t> bytes(kSettingsHeaderSize, 'x');
    bytes[kStageCountOffset] = 0;
    bytes[kRecordIntervalIndexOffset] = 0;
    const SettingsRecord record = decodeSettings(bytes.data(), bytes.size());
    EXPECT_EQ(std::strlen(record.recordFolder), kPathFieldSize - 1);
    EXPECT_EQ(std::strlen(record.recordFileName), kPathFieldSize - 1);
}

TEST(SettingsLoad, AnyNonZeroRunFlagReadsAsRunning) {
    auto bytes = encode(withStages(0));
    bytes[kRunFlagOffset] = 0x01;
    EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()).runFlag, 0xFF);
    bytes[kRunFlagOffset] = 0x00;
    EXPECT_EQ(decodeSettings(bytes.data(), bytes.size()).runFlag, 0x00);
}

}  // namespace
