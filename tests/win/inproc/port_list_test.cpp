// The serial ports listed at start-up: what is listed and selected, what is
// skipped, and the question when there is none.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "main_window.h"
#include "harness.h"
#include "link/connection.h"
#include "port_list.h"
#include "window_support.h"

namespace {

const char kNoPort[] = "Не найдено ни одного COM-порта";

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST(PortList, ListsThePortsAndSelectsTheSavedIndex) {
    SerialPortsOverride ports(twoPorts());
    SettingsBytes file;
    file.portIndex = 1;
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(sorted({"COM1", "COM2"}), sorted(comboEntries(controls().portCombo)));
    EXPECT_EQ(1, SendMessageA(controls().portCombo, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(savedPortListed());
    closeMainWindow(window);
}

TEST(PortList, ASavedIndexBeyondTheListSelectsNothingAndIsKept) {
    SerialPortsOverride ports(twoPorts());
    SettingsBytes file;
    file.portIndex = 2;
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(CB_ERR, SendMessageA(controls().portCombo, CB_GETCURSEL, 0, 0));
    EXPECT_FALSE(savedPortListed());
    closeMainWindow(window);
    EXPECT_EQ(2, settingsFileBytes()[0]);
}

// A run left in the file whose saved port is gone waits for the operator's
// connection, and says so once, a second after start-up.
TEST(PortList, ARunLeftInTheFileWithItsPortMissingTellsThatItWaits) {
    SerialPortsOverride ports(twoPorts());
    setFakeLocalTime(2026, 1, 10, 8, 0);
    SettingsBytes file;
    file.portIndex = 2;
    file.runFlag = 0xFF;
    file.start[0] = 26, file.start[1] = 1, file.start[2] = 10, file.start[3] = 7, file.start[4] = 30;
    file.stages = {{2930, 99, 0}};
    useSettingsFile(file.bytes());
    BoxAnswerer answerer(IDOK, 2);
    HWND window = openMainWindow();
    ASSERT_TRUE(IsWindow(window));
    pumpMessages(2500);
    const std::vector<Box>& boxes = answerer.boxesSoFar();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("после подключения к термостату"));
    closeMainWindow(window);
    EXPECT_EQ(0xFF, settingsFileBytes()[1]);
}

TEST(PortList, NamesThatDoNotFitTheBuffersAreSkipped) {
    // Data of 31 characters fits with its terminating zero; 32 do not. A
    // value name of 32 characters or more does not fit either.
    const std::string fits(31, 'F');
    SerialPortsOverride ports({{"\\Device\\Serial0", "COM1"},
                               {"\\Device\\Serial1", "COM_WITH_A_NAME_FAR_TOO_LONG_FOR_THE_LIST"},
                               {"\\Device\\Serial2", std::string(32, 'L')},
                               {"\\Device\\Serial3", fits},
                               {"\\Device\\AVeryLongDeviceNameOfManyLetters0", "COM4"},
                               {"\\Device\\Serial5", "COM3"}});
    // A string stored without its terminating zero.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\SerialComm", 0, KEY_SET_VALUE, &key));
    RegSetValueExA(key, "\\Device\\Serial6", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM6"), 4);
    // Not a string at all.
    const DWORD number = 7;
    RegSetValueExA(key, "\\Device\\Serial7", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);

    useSettingsFile(SettingsBytes{}.bytes());
    HWND window = openMainWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(sorted({"COM1", fits, "COM3", "COM6"}), sorted(comboEntries(controls().portCombo)));
    closeMainWindow(window);
}

class NoPort : public ::testing::TestWithParam<bool> {};

TEST_P(NoPort, CancelEndsTheStartWithoutSavingAnything) {
    SerialPortsOverride ports({}, GetParam());
    SettingsBytes file;
    file.portIndex = 1;
    file.runFlag = 0xFF;
    file.stages = {{2930, 1, 0}};
    useSettingsFile(file.bytes());
    const std::vector<std::uint8_t> before = settingsFileBytes();

    BoxAnswerer answerer(IDCANCEL);
    HWND window = openMainWindow();
    // The creation fails: no half-built window is ever shown.
    EXPECT_EQ(nullptr, window);
    const std::vector<Box>& boxes = answerer.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kNoPort, boxes[0].text);
    EXPECT_EQ((std::vector<int>{IDRETRY, IDCANCEL}), boxes[0].buttons);
    EXPECT_EQ(IDCANCEL, boxes[0].defaultButton);
    EXPECT_FALSE(boxes[0].hasIcon);

    pumpMessages(50);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, FindWindowA("termostat", nullptr));
    // The message loop is told to end.
    MSG quit;
    closeMainWindow(window);
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(before, settingsFileBytes());
}

INSTANTIATE_TEST_SUITE_P(KeyEmptyOrMissing, NoPort, ::testing::Values(true, false));

TEST(PortList, CancelPostsQuit) {
    SerialPortsOverride ports({}, true);
    useSettingsFile(SettingsBytes{}.bytes());
    BoxAnswerer answerer(IDCANCEL);
    HWND window = createMainWindowOnly();
    answerer.boxes();
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(0u, message.wParam);
        } else {
            DispatchMessageA(&message);
        }
    }
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(window));
}

TEST(PortList, RetryReadsTheRegistryAgain) {
    SerialPortsOverride ports({}, false);
    useSettingsFile(SettingsBytes{}.bytes());
    bool added = false;
    BoxAnswerer answerer(
        [&](const Box&) {
            if (added) return IDCANCEL;
            // The operator plugs in an adapter, then presses Retry.
            added = SerialPortsOverride::addPort("\\Device\\Serial9", "COM9");
            return IDRETRY;
        },
        2);
    HWND window = openMainWindow();
    const std::vector<Box>& boxes = answerer.boxesSoFar();
    ASSERT_TRUE(added) << "the test cannot write HKLM\\Hardware\\DeviceMap\\SerialComm";
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kNoPort, boxes[0].text);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(std::vector<std::string>{"COM9"}, comboEntries(controls().portCombo));
    EXPECT_EQ(0, SendMessageA(controls().portCombo, CB_GETCURSEL, 0, 0));
    closeMainWindow(window);
}

}  // namespace
