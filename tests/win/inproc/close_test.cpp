// The window's end: when closing asks, what the destruction saves, and the
// run flag kept or cleared at start-up.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/main_window.h"
#include "app/settings.h"
#include "harness.h"
#include "window_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes startMomentBytes(const Bytes& file) { return Bytes(file.begin() + 3, file.begin() + 13); }

class Closing : public ::testing::Test {
protected:
    SerialPortsOverride ports{twoPorts()};
};

TEST_F(Closing, WithoutALinkClosesAtOnceEvenWhileRunning) {
    setFakeLocalTime(2026, 3, 15, 9, 30);
    SettingsBytes file;
    file.runFlag = 0xFF;
    file.stages = {{2930, 5, 0}};  // ends at 14:30, still ahead
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    ASSERT_TRUE(IsWindow(window));
    ASSERT_EQ(0xFF, settings().runFlag);

    BoxAnswerer answerer(IDNO);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(answerer.boxesSoFar().empty());
    EXPECT_FALSE(IsWindow(window));
    closeMainWindow(window);
    // The run is still flagged in the file, with its start moment.
    const Bytes saved = settingsFileBytes();
    EXPECT_EQ(0xFF, saved[1]);
    EXPECT_EQ((Bytes{26, 0, 3, 0, 15, 0, 9, 0, 30, 0}), startMomentBytes(saved));
}

TEST_F(Closing, DestructionSavesTheStartMomentAndRewritesTheRecord) {
    setFakeLocalTime(2031, 11, 28, 23, 7);
    SettingsBytes file;
    file.portIndex = 1;
    file.stages = {{3105, 2, 5}, {2930, 0, 1}};
    const Bytes before = file.bytes();
    useSettingsFile(before);
    HWND window = openMainWindow();
    ASSERT_TRUE(IsWindow(window));
    closeMainWindow(window);

    const Bytes saved = settingsFileBytes();
    ASSERT_EQ(before.size(), saved.size());
    EXPECT_EQ((Bytes{31, 0, 11, 0, 28, 0, 23, 0, 7, 0}), startMomentBytes(saved));
    // Everything else is written back as it was loaded.
    Bytes expected = before;
    std::copy(saved.begin() + 3, saved.begin() + 13, expected.begin() + 3);
    EXPECT_EQ(expected, saved);
}

TEST_F(Closing, AStoredStartMomentIsRestoredWhenTheSavedPortIsListed) {
    setFakeLocalTime(2026, 3, 15, 9, 30);
    SettingsBytes file;
    file.start[0] = 26, file.start[1] = 2, file.start[2] = 1, file.start[3] = 6, file.start[4] = 5;
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    const MainControls& c = controls();
    EXPECT_EQ("01", windowText(c.startDayEdit));
    EXPECT_EQ("02", windowText(c.startMonthEdit));
    EXPECT_EQ("26", windowText(c.startYearEdit));
    EXPECT_EQ("06", windowText(c.startHourEdit));
    EXPECT_EQ("05", windowText(c.startMinuteEdit));
    closeMainWindow(window);
    EXPECT_EQ((Bytes{26, 0, 2, 0, 1, 0, 6, 0, 5, 0}), startMomentBytes(settingsFileBytes()));
}

TEST_F(Closing, AStoredStartMomentIsNotRestoredWhenTheSavedPortIsMissing) {
    setFakeLocalTime(2026, 3, 15, 9, 30);
    SettingsBytes file;
    file.portIndex = 2;  // two ports listed
    file.start[0] = 26, file.start[1] = 2, file.start[2] = 1, file.start[3] = 6, file.start[4] = 5;
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    EXPECT_EQ("15", windowText(controls().startDayEdit));
    EXPECT_EQ("03", windowText(controls().startMonthEdit));
    closeMainWindow(window);
    EXPECT_EQ((Bytes{26, 0, 3, 0, 15, 0, 9, 0, 30, 0}), startMomentBytes(settingsFileBytes()));
}

TEST_F(Closing, ARunWhoseEndHasPassedIsClearedAtStartUp) {
    setFakeLocalTime(2026, 3, 15, 9, 30);
    SettingsBytes file;
    file.runFlag = 0xFF;
    // Started 01.03.26 08:00 and held 99:59 twice: over on 09.03.26 15:58.
    file.start[0] = 26, file.start[1] = 3, file.start[2] = 1, file.start[3] = 8, file.start[4] = 0;
    file.stages = {{2930, 99, 59}, {2930, 99, 59}};
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    EXPECT_EQ(0, settings().runFlag);
    closeMainWindow(window);
    EXPECT_EQ(0, settingsFileBytes()[1]);
}

TEST_F(Closing, ARunEndingThisVeryMinuteCountsAsOver) {
    setFakeLocalTime(2026, 3, 15, 9, 30, 59);
    SettingsBytes file;
    file.runFlag = 0xFF;
    file.start[0] = 26, file.start[1] = 3, file.start[2] = 15, file.start[3] = 8, file.start[4] = 29;
    file.stages = {{2930, 1, 0}, {2930, 0, 1}};
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    EXPECT_EQ(0, settings().runFlag);
    closeMainWindow(window);
}

TEST_F(Closing, ARunWithItsEndAheadIsKeptAtStartUp) {
    setFakeLocalTime(2026, 3, 15, 9, 30);
    SettingsBytes file;
    file.runFlag = 0xFF;
    file.start[0] = 26, file.start[1] = 3, file.start[2] = 15, file.start[3] = 8, file.start[4] = 29;
    file.stages = {{2930, 1, 2}};  // ends at 09:31
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    EXPECT_EQ(0xFF, settings().runFlag);
    // Nothing shows the run until the link is up.
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));
    EXPECT_EQ("Начать работу с момента >>", windowText(controls().runButton));
    closeMainWindow(window);
}

}  // namespace
