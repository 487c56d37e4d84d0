// Start-up of the shipped program: the first start of a user, the single
// running copy, and a settings file that cannot be opened.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "program.h"

namespace {

const char kClass[] = "termostat";

std::string documentsFolder() {
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, FALSE);
    return folder;
}

TEST(StartUp, FirstStartCreatesTheDefaultSettingsFile) {
    removeSettings();
    auto program = Program::startAsFound();
    ASSERT_TRUE(program->started());
    HWND window = program->waitForWindow(kClass, 20000);
    ASSERT_NE(window, nullptr) << "the main window did not appear";
    EXPECT_EQ(windowText(window), "Управление термостатом КРМ-Д");

    // Ended from outside, so that the save on exit does not touch the file:
    // what is on the disk is what the first start wrote.
    program->kill();
    const auto bytes = readWholeFile(settingsFilePath());
    ASSERT_EQ(bytes.size(), 536u);
    const std::string folder = documentsFolder();
    ASSERT_FALSE(folder.empty());
    std::vector<unsigned char> expected(536, 0);
    std::memcpy(expected.data() + 14, folder.c_str(), folder.size());
    std::memcpy(expected.data() + 275, "\\termo.txt", 10);
    EXPECT_EQ(bytes, expected);
}

TEST(StartUp, WindowIsCentredWithFixedFrame) {
    auto program = Program::startAsFound();
    ASSERT_TRUE(program->started());
    HWND window = program->waitForWindow(kClass, 20000);
    ASSERT_NE(window, nullptr);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 510);
    EXPECT_EQ(frame.bottom - frame.top, 350);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 510) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 350) / 2);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program->waitForExit(10000), 0u);
}

TEST(StartUp, SecondStartBringsTheFirstForwardAndEnds) {
    auto first = Program::startAsFound();
    ASSERT_TRUE(first->started());
    HWND window = first->waitForWindow(kClass, 20000);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    // Another window in front, so that coming forward is the second start's doing.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == other; }, 5000));
    ASSERT_TRUE(IsIconic(window));

    auto second = Program::startAsFound();
    ASSERT_TRUE(second->started());
    EXPECT_EQ(second->waitForExit(15000), 0u);
    // Had the second copy tried the settings file, which the first holds
    // unshared, it would have shown the configuration error instead.
    EXPECT_EQ(second->waitForWindow("#32770", 0), nullptr);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetForegroundWindow(), window);

    DestroyWindow(other);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first->waitForExit(10000), 0u);
}

TEST(StartUp, LockedSettingsFileGivesTheConfigurationError) {
    removeSettings();
    CreateDirectoryA((appDataFolder() + "\\KRMD").c_str(), nullptr);
    HANDLE held = CreateFileA(settingsFilePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    auto program = Program::startAsFound();
    ASSERT_TRUE(program->started());
    HWND box = program->waitForWindow("#32770", 20000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(boxText(box), "Не удалось открыть или создать файл конфигурации.");
    EXPECT_EQ(program->waitForWindow(kClass, 0), nullptr) << "a main window was created";
    pressButton(box, IDOK);
    EXPECT_EQ(program->waitForExit(10000), 0u);
    CloseHandle(held);
    EXPECT_TRUE(readWholeFile(settingsFilePath()).empty()) << "something was written";
}

TEST(StartUp, UncreatableSettingsFolderGivesTheConfigurationError) {
    removeSettings();
    // A file where the folder should be: the folder cannot be made.
    HANDLE blocker = CreateFileA((appDataFolder() + "\\KRMD").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                 nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);

    auto program = Program::startAsFound();
    ASSERT_TRUE(program->started());
    HWND box = program->waitForWindow("#32770", 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(boxText(box), "Не удалось открыть или создать файл конфигурации.");
    pressButton(box, IDOK);
    EXPECT_EQ(program->waitForExit(10000), 0u);
    DeleteFileA((appDataFolder() + "\\KRMD").c_str());
}

}  // namespace
