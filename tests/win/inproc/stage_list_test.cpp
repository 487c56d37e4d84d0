// The stage list as filled from a stored settings file, dated from the start
// moment, and cut at the end of the year 2100.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/main_window.h"
#include "app/settings.h"
#include "harness.h"
#include "program/stage_list.h"
#include "window_support.h"

namespace {

using Row = std::vector<std::string>;

Row rowTexts(HWND list, int row) {
    Row texts;
    for (int column = 0; column < 5; ++column) texts.push_back(listCell(list, row, column));
    return texts;
}

class StageList : public ::testing::Test {
protected:
    SerialPortsOverride ports{twoPorts()};
};

TEST_F(StageList, RowsShowTheStoredStagesAndTheirStarts) {
    setFakeLocalTime(2026, 1, 10, 8, 0, 42);
    SettingsBytes file;
    file.stages = {{2930, 3, 0}, {3105, 2, 5}, {2630, 99, 59}, {3330, 0, 1}};
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    HWND list = controls().stageList;
    ASSERT_EQ(4, listRows(list));
    EXPECT_EQ((Row{"1", "20,0", "3:00", "10.01.26", "08:00"}), rowTexts(list, 0));
    EXPECT_EQ((Row{"2", "37,5", "2:05", "10.01.26", "11:00"}), rowTexts(list, 1));
    EXPECT_EQ((Row{"3", "-10,0", "99:59", "10.01.26", "13:05"}), rowTexts(list, 2));
    EXPECT_EQ((Row{"4", "60,0", "0:01", "14.01.26", "17:04"}), rowTexts(list, 3));
    // The stage that would be appended starts where the program ends.
    EXPECT_EQ(4, entryStageIndex());
    EXPECT_STREQ("14.01.26", stageStartDateText());
    EXPECT_STREQ("17:05", stageStartTimeText());
    EXPECT_TRUE(IsWindowEnabled(controls().clearListButton));
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));
    closeMainWindow(window);
}

TEST_F(StageList, AnEmptyListDisablesClearingAndShowsTheStartMoment) {
    setFakeLocalTime(2026, 1, 10, 8, 0);
    useSettingsFile(SettingsBytes{}.bytes());
    HWND window = openMainWindow();
    EXPECT_EQ(0, listRows(controls().stageList));
    EXPECT_EQ(0, entryStageIndex());
    EXPECT_STREQ("10.01.26", stageStartDateText());
    EXPECT_STREQ("08:00", stageStartTimeText());
    EXPECT_FALSE(IsWindowEnabled(controls().clearListButton));
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));
    closeMainWindow(window);
}

TEST_F(StageList, StagesEndingAfter2100AreRemovedOneMessageEach) {
    setFakeLocalTime(2100, 12, 31, 20, 0);
    SettingsBytes file;
    file.stages = {{2930, 3, 0}, {2940, 1, 0}, {2950, 2, 0}};
    useSettingsFile(file.bytes());
    BoxAnswerer answerer(IDOK, 3);
    HWND window = openMainWindow();
    const std::vector<SeenBox>& boxes = answerer.boxesSoFar();
    ASSERT_EQ(2u, boxes.size());
    for (const SeenBox& box : boxes) {
        EXPECT_EQ("Поздравляем!", box.caption);
        EXPECT_EQ("Вот и кончается столетие.\n\rПора работать со свежей программой.", box.text);
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    }
    HWND list = controls().stageList;
    ASSERT_EQ(1, listRows(list));
    EXPECT_EQ((Row{"1", "20,0", "3:00", "31.12.100", "20:00"}), rowTexts(list, 0));
    EXPECT_EQ(1, settings().stageCount);
    EXPECT_EQ(1, entryStageIndex());
    // The next stage would start where the kept program ends.
    EXPECT_STREQ("31.12.100", stageStartDateText());
    EXPECT_STREQ("23:00", stageStartTimeText());
    closeMainWindow(window);

    // The shorter program reaches the file with the save on exit; the file
    // keeps its length and the removed entries stay behind the count.
    const std::vector<std::uint8_t> saved = settingsFileBytes();
    ASSERT_EQ(536u + 12u, saved.size());
    EXPECT_EQ(1, saved[2]);
    EXPECT_EQ(0x7C, saved[536 + 4]);  // 2940 = 0x0B7C, the second entry
}

TEST_F(StageList, AProgramEndingIn2100IsKeptWhole) {
    setFakeLocalTime(2100, 12, 31, 20, 0);
    SettingsBytes file;
    file.stages = {{2930, 3, 0}, {2930, 0, 59}};
    useSettingsFile(file.bytes());
    BoxAnswerer answerer(IDOK);
    HWND window = openMainWindow();
    EXPECT_TRUE(answerer.boxesSoFar().empty());
    EXPECT_EQ(2, listRows(controls().stageList));
    EXPECT_STREQ("23:59", stageStartTimeText());
    closeMainWindow(window);
}

}  // namespace
